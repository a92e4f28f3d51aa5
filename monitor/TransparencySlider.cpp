#include "TransparencySlider.h"

#include "ScreenTwips.h"

#include <QWidget>

QWidget *createTransparencySlider(QWidget *host, const QString &objectName)
{
    auto *slider = new QWidget(host);
    slider->setObjectName(objectName);
    slider->setFixedHeight(ScreenTwips::toPixelsY(75, host));
    slider->setToolTip(QStringLiteral("прозрачность окна"));
    return slider;
}
