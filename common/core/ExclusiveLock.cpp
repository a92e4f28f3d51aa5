#include "ExclusiveLock.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QString userName(uid_t uid)
{
    if (const passwd *pw = ::getpwuid(uid))
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(uid);
}

} // namespace

ExclusiveLock::ExclusiveLock(const QString &path)
    : m_path(path)
{
}

ExclusiveLock::~ExclusiveLock()
{
    unlock();
}

ExclusiveLock::State ExclusiveLock::tryLock()
{
    if (m_state == State::Held)
        return m_state;
    m_error.clear();
    m_holderPid = 0;
    m_holderUser.clear();
    const QByteArray name = QFile::encodeName(m_path);

    // A few rounds: a holder that ends removes its file, and the file we
    // opened may be gone from the directory by the time we hold its lock.
    for (int round = 0; round < 3; ++round) {
        // Open an existing file without O_CREAT first: in a sticky shared
        // directory (/run/lock) the kernel refuses O_CREAT on another user's
        // file (fs.protected_regular), and reading is all a flock needs.
        int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0 && errno == EACCES)
            fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0 && errno == ENOENT) {
            fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
            if (fd >= 0)
                ::fchmod(fd, 0644);  // whatever the umask: other users must be able to open it
            else if (errno == EEXIST)
                continue;
        }
        if (fd < 0) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            m_state = State::Failed;
            return m_state;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            if (err == EWOULDBLOCK) {
                findHolder(fd);
                ::close(fd);
                m_state = State::HeldByOther;
            } else {
                m_error = QString::fromLocal8Bit(std::strerror(err));
                ::close(fd);
                m_state = State::Failed;
            }
            return m_state;
        }
        struct stat held {}, named {};
        if (::fstat(fd, &held) != 0 || ::stat(name.constData(), &named) != 0 || held.st_ino != named.st_ino
            || held.st_dev != named.st_dev) {
            ::close(fd);  // removed by the holder that just ended: lock the new one
            continue;
        }
        m_fd = fd;
        m_state = State::Held;
        // For people looking at the file; a file we may only read keeps the
        // text of whoever made it, and the lock is what counts.
        const QByteArray text = QByteArray::number(qint64(::getpid())) + ' '
                                + userName(::geteuid()).toLocal8Bit() + '\n';
        if (::ftruncate(fd, 0) == 0) {
            const ssize_t written = ::pwrite(fd, text.constData(), size_t(text.size()), 0);
            Q_UNUSED(written);  // a full disk leaves the file empty, and the lock still holds
        }
        return m_state;
    }
    m_error = QStringLiteral("the lock file keeps being replaced");
    m_state = State::Failed;
    return m_state;
}

void ExclusiveLock::unlock()
{
    if (m_fd < 0)
        return;
    // Removed while still held, so that nobody locks a file that is about
    // to go; another user's file in a sticky directory stays (EPERM).
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
    m_state = State::Unlocked;
}

// The holder as the kernel knows it (/proc/locks lists every flock with its
// process and the file's device and inode), else as its file says.
void ExclusiveLock::findHolder(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        QFile locks(QStringLiteral("/proc/locks"));
        if (locks.open(QIODevice::ReadOnly | QIODevice::Text)) {
            const QString wanted = QStringLiteral("%1:%2:%3")
                                       .arg(major(st.st_dev), 2, 16, QLatin1Char('0'))
                                       .arg(minor(st.st_dev), 2, 16, QLatin1Char('0'))
                                       .arg(quint64(st.st_ino));
            static const QRegularExpression line(
                QStringLiteral("^\\d+:\\s+FLOCK\\s+\\S+\\s+WRITE\\s+(\\d+)\\s+(\\S+)\\s"));
            const QStringList lines = QString::fromLatin1(locks.readAll()).split(QLatin1Char('\n'));
            for (const QString &l : lines) {
                const QRegularExpressionMatch m = line.match(l);
                if (m.hasMatch() && m.captured(2).compare(wanted, Qt::CaseInsensitive) == 0) {
                    m_holderPid = m.captured(1).toLongLong();
                    struct stat proc {};
                    const QByteArray dir = "/proc/" + QByteArray::number(m_holderPid);
                    if (::stat(dir.constData(), &proc) == 0)
                        m_holderUser = userName(proc.st_uid);
                    return;
                }
            }
        }
    }
    char buffer[256] = {};
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (n > 0) {
        const QStringList parts = QString::fromLocal8Bit(buffer, int(n)).trimmed().split(QLatin1Char(' '));
        if (parts.size() == 2) {
            m_holderPid = parts.at(0).toLongLong();
            m_holderUser = parts.at(1);
        }
    }
}
