#pragma once

#include <QGuiApplication>
#include <QPaintDevice>
#include <QScreen>
#include <QSize>
#include <QtMath>

// Design sizes of windows and controls are in twips, 1440 to the inch; on
// screen they become pixels at the screen's logical resolution (15 twips to
// the pixel at 96 dpi). Header-only, so the control library can use it
// without linking the programs' common code.
class Twips final
{
public:
    static constexpr int perInch = 1440;

    static int toPixels(int twips, qreal dpi) { return qRound(twips * dpi / perInch); }
    static int fromPixels(int pixels, qreal dpi) { return qRound(pixels * perInch / dpi); }

    // Horizontal and vertical extents, for screens whose resolution differs
    // by axis. Without a device (a window not made yet) the primary screen's.
    static int toPixelsX(int twips, const QPaintDevice *device = nullptr) { return toPixels(twips, dpiX(device)); }
    static int toPixelsY(int twips, const QPaintDevice *device = nullptr) { return toPixels(twips, dpiY(device)); }
    static int fromPixelsX(int pixels, const QPaintDevice *device = nullptr) { return fromPixels(pixels, dpiX(device)); }
    static int fromPixelsY(int pixels, const QPaintDevice *device = nullptr) { return fromPixels(pixels, dpiY(device)); }
    static QSize toPixels(int width, int height, const QPaintDevice *device = nullptr)
    {
        return {toPixelsX(width, device), toPixelsY(height, device)};
    }

private:
    static qreal dpiX(const QPaintDevice *device)
    {
        if (device)
            return device->logicalDpiX();
        const QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? screen->logicalDotsPerInchX() : 96.0;
    }
    static qreal dpiY(const QPaintDevice *device)
    {
        if (device)
            return device->logicalDpiY();
        const QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? screen->logicalDotsPerInchY() : 96.0;
    }
};
