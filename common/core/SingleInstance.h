#pragma once

#include "ExclusiveLock.h"

#include <QString>

#include <memory>

// Lets one instance of a program run: per user, and (for the monitor) per
// database file.
//
// Each is an exclusive lock on a file (ExclusiveLock): the kernel drops it
// when its holder ends, however it ends, so a crash never locks the operator
// out, and an empty or garbage lock file left behind is taken over.
class SingleInstance
{
public:
    // Per user: directory is where the lock lives; empty means the user's
    // runtime directory.
    explicit SingleInstance(const QString &programName, const QString &directory = QString());
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // Per database file, across users and paths: the lock file is named by
    // the file's identity (device and inode), so a second path to the same
    // file (a link, another mount of it) meets the same lock, in a directory
    // every user shares (directory empty: /run/lock, else the temporary
    // directory). Null when the file does not exist yet (*error says so).
    static std::unique_ptr<SingleInstance> forDatabase(const QString &databasePath, const QString &directory,
                                                       QString *error);

    // True when this process now holds the lock (or already held it).
    bool tryAcquire();
    ExclusiveLock::State state() const { return m_lock->state(); }
    // Failed: why the lock file could not be made.
    QString errorText() const { return m_lock->errorText(); }
    qint64 holderPid() const { return m_lock->holderPid(); }
    QString holderUser() const { return m_lock->holderUser(); }
    QString lockFilePath() const { return m_path; }

private:
    SingleInstance() = default;

    QString m_path;
    std::unique_ptr<ExclusiveLock> m_lock;
};
