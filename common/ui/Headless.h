#pragma once

#include <QMessageBox>

class QString;

// Running without any display: no dialog could be seen or answered, and a
// modal one would stop the program for good. Every program sends its
// messages to stderr instead and takes the answer a box would have offered
// first.
namespace Headless {

// Before the application object is made: with no X11 or Wayland display and
// no platform asked for, Qt's offscreen platform, said once on stderr.
void chooseOffscreenWithoutDisplay(const char *program);

// Whether the program runs on the offscreen platform.
bool active();

// "program: title: text" on one line of stderr.
void toStderr(const QString &title, const QString &text);

// The button a box would have answered with if the operator just pressed
// Enter: its default, else its first.
QMessageBox::StandardButton defaultAnswer(QMessageBox::StandardButtons buttons,
                                          QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

} // namespace Headless
