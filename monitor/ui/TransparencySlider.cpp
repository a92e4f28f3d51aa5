#include "TransparencySlider.h"

#include "PropertyBag.h"
#include "ctlTranspSliderH.h"

#include <QCoreApplication>

namespace monitor {

QWidget *createTransparencySlider(QWidget *host, const QString &objectName)
{
    auto *slider = new ctlTranspSliderH(host);
    slider->setObjectName(objectName);
    // What the monitor stores for both of its sliders: enabled, and no
    // position (so the window starts opaque).
    slider->ReadProperties(PropertyBag{{QStringLiteral("Enabled"), true}});
    slider->setToolTip(QCoreApplication::translate("monitor::TransparencySlider", "прозрачность окна"));
    return slider;
}

} // namespace monitor
