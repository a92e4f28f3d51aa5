#pragma once

#include <QString>

namespace monitor {

// Plays an alert sound without waiting for it. The setting is either a sound
// file or a name from the desktop's sound theme; a sound that cannot be played
// is not reported (the outage itself is in the event list and the database).
class SoundPlayer
{
public:
    SoundPlayer() = default;
    virtual ~SoundPlayer();
    SoundPlayer(const SoundPlayer &) = delete;
    SoundPlayer &operator=(const SoundPlayer &) = delete;

    virtual void play(const QString &sound) = 0;
};

} // namespace monitor
