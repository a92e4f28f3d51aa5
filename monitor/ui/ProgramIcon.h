#pragma once

#include <QIcon>

namespace monitor {

// The monitor's icon, for its windows and its tray entry, in the sizes a
// panel or a title bar asks for.
QIcon programIcon();
// The same with a red mark in its corner: some host is down.
QIcon outageIcon();

} // namespace monitor
