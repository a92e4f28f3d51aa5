#include "ScreenTwips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace ScreenTwips {

int toPixels(int twips, double dotsPerInch)
{
    return int(std::lround(twips * dotsPerInch / PerInch));
}

static QScreen *screenOf(const QWidget *widget)
{
    if (widget && widget->screen())
        return widget->screen();
    return QGuiApplication::primaryScreen();
}

int toPixelsX(int twips, const QWidget *widget)
{
    QScreen *screen = screenOf(widget);
    return toPixels(twips, screen ? screen->logicalDotsPerInchX() : 96.0);
}

int toPixelsY(int twips, const QWidget *widget)
{
    QScreen *screen = screenOf(widget);
    return toPixels(twips, screen ? screen->logicalDotsPerInchY() : 96.0);
}

} // namespace ScreenTwips
