#pragma once

#include <QString>

namespace monitor {

class Clock;
class OutagePathTracer;
class PassNotifier;
class SoundPlayer;
class TickSource;
class TrayIcon;

// What the main window works with, handed in by main() (the real things) or
// by a test (fakes). None of it is owned by the window.
struct Form1Services
{
    const Clock *clock = nullptr;
    const TickSource *ticks = nullptr;
    TrayIcon *tray = nullptr;
    SoundPlayer *sound = nullptr;
    // Desktop notifications of each pass's outages; none when null.
    PassNotifier *notifier = nullptr;
    // Where the administration program lies (the monitor's own directory).
    QString programDirectory;
    // The routes traced when outages begin, for the board's tooltips; none
    // when null.
    OutagePathTracer *paths = nullptr;
};

} // namespace monitor
