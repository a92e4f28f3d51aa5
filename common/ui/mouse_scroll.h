#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// Mouse-wheel scrolling for a program's main window.
//
// While a window is hooked, every wheel turn over it scrolls the scrollable
// widget under the pointer by exactly one line, whatever the distance of the
// turn: down for a turn towards the user, up for a turn away, nothing for a
// turn without vertical distance. Keys held during the turn do not change the
// direction. Every other event reaches its widget unchanged.
//
// One window per program is hooked at a time: hooking another one moves the
// hook there.
void HookWheel(QWidget *window);
void UnhookWheel(QWidget *window);

// The hook itself: an application-wide event filter, because Qt delivers a
// wheel event to the widget under the pointer rather than to the window.
class WheelWindowProc final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WheelWindowProc)

public:
    explicit WheelWindowProc(QObject *parent = nullptr);

    void setHookedWindow(QWidget *window) { m_window = window; }
    QWidget *hookedWindow() const { return m_window; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
};
