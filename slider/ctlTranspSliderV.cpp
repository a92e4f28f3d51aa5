#include "ctlTranspSliderV.h"

#include "Twips.h"

#include <QScrollBar>

namespace {

constexpr int designHeightTwips = 1425;

} // namespace

ctlTranspSliderV::ctlTranspSliderV(QWidget *parent)
    : TranspSlider(Qt::Vertical, parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    const int thickness = thicknessPixels(Qt::Horizontal);
    Slider1->resize(thickness, Twips::toPixelsY(designHeightTwips, this));
    setFixedWidth(thickness);
    resize(thickness, Slider1->height());
}

ctlTranspSliderV::~ctlTranspSliderV() = default;

bool ctlTranspSliderV::ReadProperties(const PropertyBag &PropBag)
{
    return loadValue(PropBag);
}

void ctlTranspSliderV::WriteProperties(PropertyBag &PropBag) const
{
    saveValue(PropBag);
}

QSize ctlTranspSliderV::sizeHint() const
{
    return {thicknessPixels(Qt::Horizontal), Twips::toPixelsY(designHeightTwips, this)};
}

QSize ctlTranspSliderV::minimumSizeHint() const
{
    return {thicknessPixels(Qt::Horizontal), Slider1->minimumSizeHint().height()};
}

void ctlTranspSliderV::resizeEvent(QResizeEvent *event)
{
    // Thickness first, then length: the container's width snaps to the
    // scroll bar's, and the scroll bar spans the height the host gave.
    Slider1->resize(thicknessPixels(Qt::Horizontal), Slider1->height());
    if (minimumWidth() != Slider1->width() || maximumWidth() != Slider1->width())
        setFixedWidth(Slider1->width());
    Slider1->setGeometry(0, 0, Slider1->width(), height());
    TranspSlider::resizeEvent(event);
}
