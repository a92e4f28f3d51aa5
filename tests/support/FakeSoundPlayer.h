#pragma once

#include "SoundPlayer.h"

#include <QStringList>

namespace monitor {

// Records every sound the monitor starts, in order.
class FakeSoundPlayer final : public SoundPlayer
{
public:
    void play(const QString &sound) override { played << sound; }
    QStringList played;
};

} // namespace monitor
