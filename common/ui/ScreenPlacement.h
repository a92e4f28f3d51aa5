#pragma once

class QWidget;

// A window about to be shown, centred in the free area of its screen and
// no larger than that area: a design size made for a larger screen (or
// grown by its fonts) must not open partly off a small one.
void placeOnScreen(QWidget *window);
