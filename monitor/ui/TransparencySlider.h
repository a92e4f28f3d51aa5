#pragma once

#include <QString>

class QWidget;

namespace monitor {

// Places the horizontal transparency slider on one of the monitor's windows,
// loaded from the description the monitor stores for it: "Enabled" true and
// no "Value", so it starts opaque.
QWidget *createTransparencySlider(QWidget *host, const QString &objectName);

} // namespace monitor
