#pragma once

#include "SoundPlayer.h"

struct ca_context;

namespace monitor {

// Event sounds through libcanberra: a setting naming an existing file plays
// that file, anything else is taken as a sound-theme event id
// (e.g. "network-connectivity-lost").
class CanberraSoundPlayer final : public SoundPlayer
{
public:
    CanberraSoundPlayer();
    ~CanberraSoundPlayer() override;

    void play(const QString &sound) override;

    // True when `sound` is played as a file rather than a theme event.
    static bool isFile(const QString &sound);

private:
    ca_context *m_context = nullptr;
};

} // namespace monitor
