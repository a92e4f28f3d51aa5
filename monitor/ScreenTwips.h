#pragma once

class QWidget;

// Design sizes are in twips, 1440 to the inch; on screen they become pixels
// at the screen's logical resolution (15 twips per pixel at 96 dpi).
namespace ScreenTwips {

inline constexpr int PerInch = 1440;

int toPixels(int twips, double dotsPerInch);
// Horizontal and vertical sizes at the resolution of the widget's screen
// (the primary screen when the widget is null or not yet on a screen).
int toPixelsX(int twips, const QWidget *widget = nullptr);
int toPixelsY(int twips, const QWidget *widget = nullptr);

} // namespace ScreenTwips
