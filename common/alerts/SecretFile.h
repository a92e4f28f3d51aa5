#pragma once

#include "AlertChannel.h"

#include <QCoreApplication>
#include <QString>

namespace alerts {

// A channel's secret (a mail password, a webhook's token) lives in a file of
// its own that only its owner may read, never in the database: the database
// is shared by every user of the group that writes the outage log, and its
// copies (backups, exports) travel further still. The channel keeps the
// file's path in its settings ("secret_file").
class SecretFile
{
    Q_DECLARE_TR_FUNCTIONS(alerts::SecretFile)

public:
    // The settings key that names the file.
    static constexpr const char *SettingKey = "secret_file";

    // The first line of the file at `path`. Refused, saying why, when the
    // file is missing or unreadable, or when its group or other users have
    // any right to it: a secret others could read is no longer one.
    static bool read(const QString &path, QString *secret, QString *error);

    // Where the suite writes secrets it was handed (a dialog's password box,
    // standard input, a database of an earlier version): a folder only its
    // owner may enter, under this user's configuration folder.
    static QString directory();

    // Writes `secret` into a file of directory() named after the channel,
    // readable by this user alone, replacing a file of that name in one
    // step. *path is the file's absolute path.
    static bool write(const QString &channelName, ChannelKind kind, const QString &secret, QString *path,
                      QString *error);

    // The channel with its secret read from its file (unchanged when it
    // names none). False with the reason when the file cannot be used.
    static bool resolve(AlertChannel *channel, QString *error);

    // Whether `path` is one of the files write() makes (so that removing its
    // channel may remove it too).
    static bool isOwnFile(const QString &path);
};

} // namespace alerts
