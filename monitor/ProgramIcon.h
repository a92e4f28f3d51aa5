#pragma once

#include <QIcon>

// The monitor's icon, for its windows and its tray entry, in the sizes a
// panel or a title bar asks for.
QIcon programIcon();
