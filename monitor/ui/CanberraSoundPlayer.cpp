#include "CanberraSoundPlayer.h"

#include <QFileInfo>

#include <canberra.h>

namespace monitor {

SoundPlayer::~SoundPlayer() = default;

CanberraSoundPlayer::CanberraSoundPlayer()
{
    if (ca_context_create(&m_context) != CA_SUCCESS) {
        m_context = nullptr;
        return;
    }
    ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "Orvant", CA_PROP_APPLICATION_ID, "orvant",
                            nullptr);
}

CanberraSoundPlayer::~CanberraSoundPlayer()
{
    if (m_context)
        ca_context_destroy(m_context);
}

bool CanberraSoundPlayer::isFile(const QString &sound)
{
    return !sound.isEmpty() && QFileInfo(sound).isFile();
}

namespace {

// Every sound of the monitor is played under this one id, so that a new
// one can end the one still playing.
constexpr uint32_t SoundId = 1;

} // namespace

void CanberraSoundPlayer::play(const QString &sound)
{
    if (!m_context || sound.trimmed().isEmpty())
        return;
    const QByteArray value = isFile(sound) ? QFile::encodeName(QFileInfo(sound).absoluteFilePath()) : sound.toUtf8();
    // A new sound replaces the one playing, as the platform's asynchronous
    // player did: alarms in quick succession never pile up into a din.
    ca_context_cancel(m_context, SoundId);
    // ca_context_play returns at once; the sound plays in the background.
    // Its result is not looked at: a missing sound is no reason to bother
    // the operator, who already sees the event line.
    ca_context_play(m_context, SoundId, isFile(sound) ? CA_PROP_MEDIA_FILENAME : CA_PROP_EVENT_ID, value.constData(),
                    CA_PROP_EVENT_DESCRIPTION, "Orvant", nullptr);
}

} // namespace monitor
