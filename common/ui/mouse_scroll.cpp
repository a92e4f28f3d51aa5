#include "mouse_scroll.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

WheelWindowProc *hookSlot()
{
    static QPointer<WheelWindowProc> filter;
    if (!filter && qApp) {
        filter = new WheelWindowProc(qApp);
    }
    return filter;
}

// The vertical slider that a line of scrolling moves for `w`: w itself when it
// is a vertical slider, else the vertical bar of the nearest scroll area that
// contains w. A grid's heading row is a scroll area of its own that never
// scrolls up or down: over it, the grid's rows scroll.
QAbstractSlider *verticalSliderFor(QWidget *w)
{
    for (; w; w = w->parentWidget()) {
        if (auto *slider = qobject_cast<QAbstractSlider *>(w)) {
            if (slider->orientation() == Qt::Vertical)
                return slider;
            continue;
        }
        if (qobject_cast<QHeaderView *>(w))
            continue;
        if (auto *area = qobject_cast<QAbstractScrollArea *>(w))
            return area->verticalScrollBar();
        if (w->isWindow())
            break;
    }
    return nullptr;
}

bool belongsTo(QObject *object, const QWidget *window)
{
    auto *w = qobject_cast<QWidget *>(object);
    return w && window && (w == window || w->window() == window);
}

} // namespace

void HookWheel(QWidget *window)
{
    if (WheelWindowProc *filter = hookSlot())
        filter->setHookedWindow(window);
}

void UnhookWheel(QWidget *window)
{
    WheelWindowProc *filter = hookSlot();
    if (filter && filter->hookedWindow() == window)
        filter->setHookedWindow(nullptr);
}

WheelWindowProc::WheelWindowProc(QObject *parent)
    : QObject(parent)
{
    if (qApp)
        qApp->installEventFilter(this);
}

bool WheelWindowProc::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel || !belongsTo(watched, m_window))
        return false;
    auto *wheel = static_cast<QWheelEvent *>(event);
    int dy = wheel->angleDelta().y();
    if (dy == 0)
        dy = wheel->pixelDelta().y();
    // A purely horizontal turn (tilt wheel, sideways swipe) is not a vertical
    // wheel turn: it keeps the widget's own handling.
    if (dy == 0)
        return false;
    // The widget under the pointer scrolls, not the one with the focus.
    QWidget *under = QApplication::widgetAt(wheel->globalPosition().toPoint());
    if (!under)
        under = qobject_cast<QWidget *>(watched);
    if (QAbstractSlider *slider = verticalSliderFor(under)) {
        // Turning towards the user gives a negative distance and moves the
        // list down, as the wheel does everywhere else on the desktop.
        slider->triggerAction(dy < 0 ? QAbstractSlider::SliderSingleStepAdd
                                     : QAbstractSlider::SliderSingleStepSub);
    }
    return true;
}
