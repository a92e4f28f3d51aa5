#include "ctlTranspSliderH.h"

#include "Twips.h"

#include <QScrollBar>

namespace {

constexpr int designWidthTwips = 1440;

} // namespace

ctlTranspSliderH::ctlTranspSliderH(QWidget *parent)
    : TranspSlider(Qt::Horizontal, parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    const int thickness = thicknessPixels(Qt::Vertical);
    Slider1->resize(Twips::toPixelsX(designWidthTwips, this), thickness);
    setFixedHeight(thickness);
    resize(Slider1->width(), thickness);
}

ctlTranspSliderH::~ctlTranspSliderH() = default;

void ctlTranspSliderH::setEnabled(bool New_Enabled)
{
    QWidget::setEnabled(New_Enabled);
    emit PropertyChanged(QStringLiteral("Enabled"));
}

bool ctlTranspSliderH::ReadProperties(const PropertyBag &PropBag)
{
    QWidget::setEnabled(PropBag.ReadProperty(QStringLiteral("Enabled"), false).toBool());
    return loadValue(PropBag);
}

void ctlTranspSliderH::WriteProperties(PropertyBag &PropBag) const
{
    saveValue(PropBag);
    PropBag.WriteProperty(QStringLiteral("Enabled"), Enabled(), false);
}

QSize ctlTranspSliderH::sizeHint() const
{
    return {Twips::toPixelsX(designWidthTwips, this), thicknessPixels(Qt::Vertical)};
}

QSize ctlTranspSliderH::minimumSizeHint() const
{
    return {Slider1->minimumSizeHint().width(), thicknessPixels(Qt::Vertical)};
}

void ctlTranspSliderH::resizeEvent(QResizeEvent *event)
{
    // Length first, then thickness: the scroll bar spans the width the host
    // gave, and the container's height snaps to the scroll bar's.
    Slider1->setGeometry(0, 0, width(), thicknessPixels(Qt::Vertical));
    if (minimumHeight() != Slider1->height() || maximumHeight() != Slider1->height())
        setFixedHeight(Slider1->height());
    TranspSlider::resizeEvent(event);
}
