#include "SafeFile.h"

#include <QFile>
#include <QSaveFile>

#include <sys/stat.h>

SafeFile::SafeFile(const QString &path)
    : m_path(path)
{
}

SafeFile::~SafeFile()
{
    cancel();
}

bool SafeFile::isSpecial(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false; // not there (or unreadable): a new file, as QSaveFile makes it
    return !S_ISREG(st.st_mode);
}

bool SafeFile::open(QString *error)
{
    m_direct = isSpecial(m_path);
    if (m_direct) {
        m_file = std::make_unique<QFile>(m_path);
        // No truncation asked of a device or a pipe; Unbuffered so that a
        // refused write is seen at the write that met it.
        if (m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return true;
        if (error)
            *error = m_file->errorString();
        m_file.reset();
        return false;
    }
    m_save = std::make_unique<QSaveFile>(m_path);
    if (m_save->open(QIODevice::WriteOnly))
        return true;
    if (error)
        *error = m_save->errorString();
    m_save.reset();
    return false;
}

QIODevice *SafeFile::device() const
{
    if (m_file)
        return m_file.get();
    return m_save.get();
}

bool SafeFile::commit(QString *error)
{
    if (m_save) {
        const bool ok = m_save->commit();
        if (!ok && error)
            *error = m_save->errorString();
        m_save.reset();
        return ok;
    }
    if (!m_file)
        return false;
    bool ok = m_file->error() == QFileDevice::NoError && m_file->flush();
    QString why = m_file->errorString();
    m_file->close();
    if (ok && m_file->error() != QFileDevice::NoError) {
        ok = false;
        why = m_file->errorString();
    }
    if (!ok && error)
        *error = why;
    m_file.reset();
    return ok;
}

void SafeFile::cancel()
{
    if (m_save)
        m_save->cancelWriting();
    m_save.reset();
    if (m_file)
        m_file->close();
    m_file.reset();
}

bool SafeFile::write(const QString &path, const QByteArray &bytes, QString *error)
{
    SafeFile file(path);
    if (!file.open(error))
        return false;
    if (file.device()->write(bytes) != bytes.size()) {
        if (error)
            *error = file.device()->errorString();
        file.cancel();
        return false;
    }
    return file.commit(error);
}
