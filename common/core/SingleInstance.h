#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// Lets one instance of a program run per user.
//
// A lock file in the user's runtime directory holds the owner's process id.
// A lock left by an instance that crashed names a process that no longer
// exists; QLockFile recognises that and takes the lock over, so a crash never
// locks the operator out.
class SingleInstance
{
public:
    // directory: where the lock lives; empty means the user's runtime directory.
    explicit SingleInstance(const QString &programName, const QString &directory = QString());
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when this process now holds the lock (or already held it).
    bool tryAcquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};
