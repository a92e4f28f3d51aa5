#pragma once

#include <QString>

// An exclusive advisory lock (flock) on a file, held for the life of the
// object.
//
// The kernel drops the lock when its holder ends in any way, kill -9
// included, so a lock is held exactly while its holder runs: a file that is
// left behind, empty or filled with anything, is simply taken over. What the
// file says (the holder's process and user) is for people only.
class ExclusiveLock
{
public:
    enum class State {
        Unlocked,
        Held,          // this object holds it
        HeldByOther,   // another process holds it (holderPid/holderUser when known)
        Failed,        // the lock file could not be made or opened (errorText says why)
    };

    explicit ExclusiveLock(const QString &path);
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock &) = delete;
    ExclusiveLock &operator=(const ExclusiveLock &) = delete;

    State tryLock();
    void unlock();
    State state() const { return m_state; }
    QString path() const { return m_path; }
    QString errorText() const { return m_error; }
    qint64 holderPid() const { return m_holderPid; }
    QString holderUser() const { return m_holderUser; }

private:
    void findHolder(int fd);

    QString m_path;
    int m_fd = -1;
    State m_state = State::Unlocked;
    QString m_error;
    qint64 m_holderPid = 0;
    QString m_holderUser;
};
