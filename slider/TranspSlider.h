#pragma once

#include "PropertyBag.h"
#include "VeltrackExport.h"

#include <QWidget>

class QScrollBar;

// What both transparency sliders share: a container holding one scroll bar,
// Slider1, whose position 100..255 is the opacity of the top-level window the
// control sits on (its host window). Below 255 the control also keeps the
// host window above all others; at 255 the window is opaque and returns to
// the normal stacking order. The host window is looked up afresh at every
// use, so the control follows a reparenting and keeps no handle.
//
// What the control does to its host window stays when the control goes away:
// opacity, the stays-on-top hint and the layered mark.
class VELTRACK_EXPORT TranspSlider : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TranspSlider)

    /// Returns/sets the value of an object.
    Q_PROPERTY(int Value READ Value WRITE setValue)
    Q_CLASSINFO("Value Help", "Returns/sets the value of an object.")
    Q_CLASSINFO("Scroll Help", "Occurs when you reposition the scroll box on a control.")
    Q_CLASSINFO("Change Help", "Occurs when the contents of a control have changed.")
    Q_CLASSINFO("TypeLibID", "{794DED6F-4E19-4737-9765-7D61A41FCBE1}")
    Q_CLASSINFO("Version", "1.00")

public:
    static constexpr int minimumValue = 100;
    static constexpr int maximumValue = 255;
    static constexpr int thicknessTwips = 75;

    ~TranspSlider() override;

    /// Returns/sets the value of an object: the opacity 100..255 of the host
    /// window. Setting applies only while the container is enabled and the
    /// value lies in 100..255; anything else is ignored without an error. A
    /// new position raises Change and applies the opacity before the setter
    /// returns; the setter then reports PropertyChanged("Value").
    int Value() const;
    void setValue(int New_Value);

    // The top-level window the control sits on, or null while it has no parent.
    QWidget *hostWindow() const;
    // Whether a slider of this library has ever applied a position to window.
    static bool isLayered(const QWidget *window);

    // While placed in a form editor, the control raises its events but
    // leaves the editor's window alone.
    void setDesignMode(bool on) { m_designMode = on; }
    bool designMode() const { return m_designMode; }

signals:
    /// Occurs when you reposition the scroll box on a control.
    void Scroll();
    /// Occurs when the contents of a control have changed.
    void Change();
    // The host window went into (OnTop true) or out of the topmost band.
    void ChangePosition(bool OnTop);
    // A persistent property changed: the host's saved description is stale.
    void PropertyChanged(const QString &PropertyName);

protected:
    TranspSlider(Qt::Orientation orientation, QWidget *parent);

    // The container's own enabled state, not inherited from the host window:
    // a disabled host window still lets code set a position.
    bool containerEnabled() const { return !testAttribute(Qt::WA_ForceDisabled); }
    // Loads "Value" (default 255) straight into the scroll bar, without the
    // checks of the setter. False when the stored value is no number in
    // 100..255, which the scroll bar refuses; nothing changes then.
    bool loadValue(const PropertyBag &PropBag);
    void saveValue(PropertyBag &PropBag) const;
    // The scroll bar's thickness at the screen's logical DPI.
    int thicknessPixels(Qt::Orientation axis) const;

    QScrollBar *Slider1 = nullptr;

private:
    enum class Notification { Scroll, Change };

    void setPosition(int value);
    void onSliderNotification(Notification kind);
    void ApplyTransparency(int alpha);
    void SetOnTop(bool OnTop);

    bool m_OnTop = false;
    bool m_designMode = false;
    // The vertical scroll bar counts from its top; the control mirrors it so
    // that 255 sits at the top end, as 255 sits at the right end of the
    // horizontal one.
    bool m_mirrored = false;
    int m_valueAtPress = 0;
};
