#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

SingleInstance::SingleInstance(const QString &programName, const QString &directory)
{
    QString dir = directory;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    m_path = QDir(dir).filePath(QStringLiteral("orvant-%1.lock").arg(programName));
    m_lock = std::make_unique<ExclusiveLock>(m_path);
}

SingleInstance::~SingleInstance() = default;

std::unique_ptr<SingleInstance> SingleInstance::forDatabase(const QString &databasePath, const QString &directory,
                                                            QString *error)
{
    struct stat st {};
    if (::stat(QFile::encodeName(databasePath).constData(), &st) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return nullptr;
    }
    QString dir = directory;
    if (dir.isEmpty()) {
        const QString shared = QStringLiteral("/run/lock");
        dir = ::access(QFile::encodeName(shared).constData(), W_OK | X_OK) == 0 ? shared : QDir::tempPath();
    }
    std::unique_ptr<SingleInstance> instance(new SingleInstance);
    instance->m_path = QDir(dir).filePath(
        QStringLiteral("orvant-db-%1-%2.lock").arg(quint64(st.st_dev), 0, 16).arg(quint64(st.st_ino)));
    instance->m_lock = std::make_unique<ExclusiveLock>(instance->m_path);
    return instance;
}

bool SingleInstance::tryAcquire()
{
    return m_lock->tryLock() == ExclusiveLock::State::Held;
}
