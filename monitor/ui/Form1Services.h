#pragma once

#include "DatabaseConfig.h"

#include <QString>

namespace monitor {

class Clock;
class PassNotifier;
class PollingEngine;
class SoundPlayer;
class TickSource;
class TrayIcon;

// What the main window works with, handed in by main() (the real things) or
// by a test (fakes). None of it is owned by the window.
struct Form1Services
{
    PollingEngine *engine = nullptr;
    const Clock *clock = nullptr;
    const TickSource *ticks = nullptr;
    TrayIcon *tray = nullptr;
    SoundPlayer *sound = nullptr;
    // Desktop notifications of each pass's outages; none when null.
    PassNotifier *notifier = nullptr;
    // The database file opened at load.
    QString databasePath;
    // A database server named in orvant.conf instead of the file; the file
    // (databasePath) when it names none.
    DatabaseConfig database;
    // Where the administration program lies (the monitor's own directory).
    QString programDirectory;
    // Where the single-instance lock lives; empty: the user's runtime directory.
    QString lockDirectory;
    // Where the one-monitor-per-database lock lives, shared by every user;
    // empty: /run/lock (the temporary directory where that is missing).
    QString databaseLockDirectory;
};

} // namespace monitor
