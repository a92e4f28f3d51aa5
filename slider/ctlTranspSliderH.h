#pragma once

#include "TranspSlider.h"

// The horizontal transparency slider: 100 at the left end, 255 (opaque) at
// the right end. The host may give it any width; its height is always the
// scroll bar's thickness.
//
// Persistent properties: "Enabled" (default false) and "Value" (default 255).
// A description without "Enabled" loads a disabled control, so a host that
// wants a working slider stores "Enabled" as true.
class VELTRACK_EXPORT ctlTranspSliderH final : public TranspSlider
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ctlTranspSliderH)

    /// Returns/sets a value that determines whether an object can respond to
    /// user-generated events.
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)

    Q_CLASSINFO("ClassID", "{B38094F5-7782-42DF-9B28-83FEF5FDF7D6}")
    Q_CLASSINFO("InterfaceID", "{FDC13E1C-99A5-4F40-AAAB-9C63CB45515E}")
    Q_CLASSINFO("EventsID", "{96B4484E-9052-4881-989F-766C17A2F163}")
    Q_CLASSINFO("ProgID", "Veltrack.ctlTranspSliderH")
    Q_CLASSINFO("Scroll DispID", "1")
    Q_CLASSINFO("Change DispID", "2")
    Q_CLASSINFO("ChangePosition DispID", "3")
    Q_CLASSINFO("Enabled Help",
                "Returns/sets a value that determines whether an object can respond to user-generated events.")

public:
    Q_INVOKABLE explicit ctlTranspSliderH(QWidget *parent = nullptr);
    ~ctlTranspSliderH() override;

    /// Returns/sets a value that determines whether an object can respond to
    /// user-generated events: the container's own enabled state. Setting it
    /// reports PropertyChanged("Enabled").
    bool Enabled() const { return containerEnabled(); }
    void setEnabled(bool New_Enabled);

    // Loads "Enabled" (default false), then "Value" (default 255). A loaded
    // position below 255 on an enabled control makes the host window
    // translucent and topmost at once. False when the stored "Value" is no
    // number in 100..255; "Enabled" is loaded all the same.
    bool ReadProperties(const PropertyBag &PropBag);
    // Saves "Value", then "Enabled"; each is left out when it equals its default.
    void WriteProperties(PropertyBag &PropBag) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
};
