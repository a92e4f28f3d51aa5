#include "TranspSlider.h"

#include "Twips.h"
#include "WindowOpacitySupport.h"

#include <QPointer>
#include <QScrollBar>
#include <QWindow>

namespace {

// The mark a slider leaves on a window it has made layered. It stays for the
// life of the window, like the layered style it stands for.
constexpr char layeredProperty[] = "veltrackLayered";

} // namespace

TranspSlider::TranspSlider(Qt::Orientation orientation, QWidget *parent)
    : QWidget(parent)
    , m_mirrored(orientation == Qt::Vertical)
{
    Slider1 = new QScrollBar(orientation, this);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setRange(minimumValue, maximumValue);
    Slider1->setSingleStep(1);
    Slider1->setPageStep(15);
    Slider1->setTracking(true);
    setPosition(maximumValue);
    Slider1->move(0, 0);

    // The user's handle works only where the window can actually become
    // translucent; positions set from code or loaded apply everywhere.
    Slider1->setEnabled(WindowOpacitySupport::isAvailable());

    // A scroll-box drag reports every position as a scroll notification; any
    // other move (arrow, track, wheel, code) as a change notification, and so
    // does the end of a drag that moved the box.
    connect(Slider1, &QScrollBar::valueChanged, this, [this] {
        onSliderNotification(Slider1->isSliderDown() ? Notification::Scroll : Notification::Change);
    });
    connect(Slider1, &QScrollBar::sliderPressed, this, [this] { m_valueAtPress = Slider1->value(); });
    connect(Slider1, &QScrollBar::sliderReleased, this, [this] {
        if (Slider1->value() != m_valueAtPress)
            onSliderNotification(Notification::Change);
    });
}

TranspSlider::~TranspSlider() = default;

int TranspSlider::Value() const
{
    const int raw = Slider1->value();
    return m_mirrored ? Slider1->minimum() + Slider1->maximum() - raw : raw;
}

void TranspSlider::setValue(int New_Value)
{
    if (!containerEnabled() || New_Value < minimumValue || New_Value > maximumValue)
        return;
    setPosition(New_Value);
    emit PropertyChanged(QStringLiteral("Value"));
}

void TranspSlider::setPosition(int value)
{
    Slider1->setValue(m_mirrored ? Slider1->minimum() + Slider1->maximum() - value : value);
}

QWidget *TranspSlider::hostWindow() const
{
    QWidget *parent = parentWidget();
    return parent ? parent->window() : nullptr;
}

bool TranspSlider::isLayered(const QWidget *window)
{
    return window && window->property(layeredProperty).toBool();
}

bool TranspSlider::loadValue(const PropertyBag &PropBag)
{
    bool ok = false;
    const int value = PropBag.ReadProperty(QStringLiteral("Value"), maximumValue).toInt(&ok);
    if (!ok || value < minimumValue || value > maximumValue) {
        qWarning("veltrack: stored Value %s lies outside %d..%d",
                 qPrintable(PropBag.ReadProperty(QStringLiteral("Value")).toString()), minimumValue, maximumValue);
        return false;
    }
    setPosition(value);
    return true;
}

void TranspSlider::saveValue(PropertyBag &PropBag) const
{
    PropBag.WriteProperty(QStringLiteral("Value"), Value(), maximumValue);
}

int TranspSlider::thicknessPixels(Qt::Orientation axis) const
{
    return axis == Qt::Horizontal ? Twips::toPixelsX(thicknessTwips, this) : Twips::toPixelsY(thicknessTwips, this);
}

void TranspSlider::onSliderNotification(Notification kind)
{
    if (!containerEnabled())
        return;
    // The host hears of the move before the window changes, and may delete
    // the control while it does.
    QPointer<TranspSlider> alive(this);
    if (kind == Notification::Scroll)
        emit Scroll();
    else
        emit Change();
    if (!alive || m_designMode)
        return;
    ApplyTransparency(Value());
}

void TranspSlider::ApplyTransparency(int alpha)
{
    // Not placed on a window yet: there is nothing to make translucent or put
    // on top, and m_OnTop must keep saying what the window really is, or the
    // window would never go on top once the control is placed.
    if (!hostWindow())
        return;
    // ChangePosition reaches the host from inside SetOnTop.
    QPointer<TranspSlider> alive(this);
    if (alpha < maximumValue && !m_OnTop) {
        SetOnTop(true);
        if (!alive)
            return;
        m_OnTop = true;
    } else if (alpha == maximumValue && m_OnTop) {
        SetOnTop(false);
        if (!alive)
            return;
        m_OnTop = false;
    }
    QWidget *host = hostWindow();
    if (!host)
        return;
    // Marked on every call, at 255 too; the mark is never taken away.
    host->setProperty(layeredProperty, true);
    host->setWindowOpacity(alpha / qreal(maximumValue));
}

void TranspSlider::SetOnTop(bool OnTop)
{
    if (QWidget *host = hostWindow()) {
        // QWidget::setWindowFlags would re-create the native window, which
        // hides it (a window in the tray would pop up if shown again) and
        // breaks a drag in progress. The stays-on-top hint is a window-manager
        // state that the platform window can change while mapped, so the hint
        // goes to the platform window directly and the widget's copy of the
        // flags is kept in step for when it is created again.
        Qt::WindowFlags flags = host->windowFlags();
        flags.setFlag(Qt::WindowStaysOnTopHint, OnTop);
        if (flags != host->windowFlags()) {
            host->overrideWindowFlags(flags);
            if (QWindow *handle = host->windowHandle()) {
                handle->setFlags(flags);
                // A withdrawn window (hidden, e.g. in the tray) does not take
                // the new hint along when it is mapped again, on X11 at least.
                // Its native window is released instead, so the next show
                // creates one that carries the hint from the start.
                if (!host->isVisible() && handle->handle())
                    handle->destroy();
            }
        }
    }
    emit ChangePosition(OnTop);
}
