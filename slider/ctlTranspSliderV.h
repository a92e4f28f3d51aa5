#pragma once

#include "TranspSlider.h"

// The vertical transparency slider: 255 (opaque) at the top end, 100 at the
// bottom end. The host may give it any height; its width is always the
// scroll bar's thickness. It has no Enabled property of its own and stores
// only "Value" (default 255), so a loaded vertical slider is always enabled.
class VELTRACK_EXPORT ctlTranspSliderV final : public TranspSlider
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ctlTranspSliderV)

    Q_CLASSINFO("ClassID", "{FB5F02FC-142A-4E3F-AA78-14CC9D5117F0}")
    Q_CLASSINFO("InterfaceID", "{279DC34C-845F-4E25-8E8C-6BE3F5EE9A13}")
    Q_CLASSINFO("EventsID", "{BC504B34-022F-478B-A2BF-B3510C743943}")
    Q_CLASSINFO("ProgID", "Veltrack.ctlTranspSliderV")
    Q_CLASSINFO("Change DispID", "1")
    Q_CLASSINFO("Scroll DispID", "2")
    Q_CLASSINFO("ChangePosition DispID", "3")

public:
    Q_INVOKABLE explicit ctlTranspSliderV(QWidget *parent = nullptr);
    ~ctlTranspSliderV() override;

    // Loads "Value" (default 255); a loaded position below 255 makes the host
    // window translucent and topmost at once. False when the stored value is
    // no number in 100..255.
    bool ReadProperties(const PropertyBag &PropBag);
    // Saves "Value", left out when it is 255.
    void WriteProperties(PropertyBag &PropBag) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
};
