#pragma once

#include "TranspSlider.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWidget>

// Records what a slider tells its host, in order, together with the host
// window's state at the moment of each event, so a test can check that an
// event comes before the window changes.
class SliderEventLog
{
public:
    explicit SliderEventLog(TranspSlider *slider)
        : m_slider(slider)
    {
        QObject::connect(slider, &TranspSlider::Scroll, &m_context, [this] { record(QStringLiteral("Scroll")); });
        QObject::connect(slider, &TranspSlider::Change, &m_context, [this] { record(QStringLiteral("Change")); });
        QObject::connect(slider, &TranspSlider::ChangePosition, &m_context, [this](bool onTop) {
            record(onTop ? QStringLiteral("ChangePosition(true)") : QStringLiteral("ChangePosition(false)"));
        });
    }

    QStringList events() const { return m_events; }
    // Host window state when each event arrived: "opacity/topmost", e.g. "255/0".
    QStringList windowStates() const { return m_states; }
    void clear()
    {
        m_events.clear();
        m_states.clear();
    }

private:
    void record(const QString &event)
    {
        m_events.append(event);
        const QWidget *host = m_slider->hostWindow();
        m_states.append(host ? QStringLiteral("%1/%2")
                                   .arg(qRound(host->windowOpacity() * 255))
                                   .arg(host->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? 1 : 0)
                             : QStringLiteral("-"));
    }

    TranspSlider *m_slider;
    // Ends the connections with the log, which may die before the slider.
    QObject m_context;
    QStringList m_events;
    QStringList m_states;
};

inline QScrollBar *slider1Of(TranspSlider *slider)
{
    return slider->findChild<QScrollBar *>(QStringLiteral("Slider1"));
}

// Where a part of the scroll bar (arrow, track, scroll box) is drawn now.
inline QRect scrollBarPart(QScrollBar *bar, QStyle::SubControl part)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = bar->invertedAppearance();
    option.subControls = QStyle::SC_All;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}

// True when the window is as the sliders found it.
inline bool isUntouched(const QWidget *window)
{
    return !TranspSlider::isLayered(window) && qFuzzyCompare(window->windowOpacity(), 1.0)
        && !window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}
