#pragma once

#include <QPaintDevice>
#include <QtMath>

// Sizes of windows and controls are given in twips, 1440 to the inch, and
// land on the screen at its logical DPI (15 twips to the pixel at 96 dpi).
// Header-only, so any library of the suite can use it without linking ours.
class Twips final
{
public:
    static constexpr int perInch = 1440;

    static int toPixels(int twips, qreal dpi) { return qRound(twips * dpi / perInch); }
    static int fromPixels(int pixels, qreal dpi) { return qRound(pixels * perInch / dpi); }

    // Horizontal and vertical extents, for screens whose DPI differs by axis.
    static int toPixelsX(int twips, const QPaintDevice *device) { return toPixels(twips, device->logicalDpiX()); }
    static int toPixelsY(int twips, const QPaintDevice *device) { return toPixels(twips, device->logicalDpiY()); }
    static int fromPixelsX(int pixels, const QPaintDevice *device) { return fromPixels(pixels, device->logicalDpiX()); }
    static int fromPixelsY(int pixels, const QPaintDevice *device) { return fromPixels(pixels, device->logicalDpiY()); }
};
