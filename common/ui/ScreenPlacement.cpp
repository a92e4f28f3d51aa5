#include "ScreenPlacement.h"

#include <QScreen>
#include <QStyle>
#include <QWidget>

void placeOnScreen(QWidget *window)
{
    QScreen *screen = window->screen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    // The frame is the window manager's: as it is once the window shows,
    // before that a title bar's height and a few pixels of border.
    const QSize frameSize = window->frameGeometry().size() - window->size();
    const bool known = window->isVisible() && !frameSize.isEmpty();
    const int titleBar =
        known ? frameSize.height() : window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window) + 8;
    const int border = known ? frameSize.width() : 8;
    const QSize room(free.width() - border, free.height() - titleBar - border);
    if (window->width() > room.width() || window->height() > room.height())
        window->resize(window->size().boundedTo(room));
    // move() places the frame's corner: the frame is centred, as far as
    // it is known.
    QRect frame(0, 0, window->width() + border, window->height() + titleBar + border);
    frame.moveCenter(free.center());
    window->move(qMax(free.left(), frame.left()), qMax(free.top(), frame.top()));
}
