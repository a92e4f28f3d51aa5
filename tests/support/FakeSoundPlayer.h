#pragma once

#include "SoundPlayer.h"

#include <QStringList>

// Records every sound the monitor starts, in order.
class FakeSoundPlayer final : public SoundPlayer
{
public:
    void play(const QString &sound) override { played << sound; }
    QStringList played;
};
