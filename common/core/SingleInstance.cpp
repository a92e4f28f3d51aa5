#include "SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QString &programName, const QString &directory)
{
    QString dir = directory;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    m_lock = std::make_unique<QLockFile>(QDir(dir).filePath(QStringLiteral("orvant-%1.lock").arg(programName)));
    // Age alone never makes a lock stale: a monitor runs for months. Only a
    // lock whose owner process is gone is taken over.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryAcquire()
{
    if (m_lock->isLocked())
        return true;
    return m_lock->tryLock(0);
}
