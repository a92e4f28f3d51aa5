#pragma once

#include <QString>

class QWidget;

// Places the horizontal transparency slider on one of the monitor's windows,
// loaded from the description the monitor stores for it: "Enabled" true and
// no "Value", so it starts opaque.
QWidget *createTransparencySlider(QWidget *host, const QString &objectName);
