#pragma once

#include <QSize>
#include <QWidget>

// Window and control sizes of the admin are given in twips, 1440 to the
// inch, measured at the screen's logical resolution (15 per pixel at 96 dpi).
namespace Twips {

inline int toPixels(int twips, const QWidget *widget)
{
    return (twips * widget->logicalDpiX() + 720) / 1440;
}

inline QSize toPixels(int width, int height, const QWidget *widget)
{
    return {toPixels(width, widget), (height * widget->logicalDpiY() + 720) / 1440};
}

} // namespace Twips
