#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QFile;
class QIODevice;
class QSaveFile;

// Where the suite saves a file (an export, a picture, a breakdown).
//
// A regular file, or a name not yet taken, is written beside its name and put
// in place only once complete, so a failed or cancelled save leaves the old
// file as it was. Anything else (a device such as /dev/null, a FIFO, a
// terminal, /dev/stdout) is written directly: renaming over it would replace
// the device node by a regular file, and a pipe has no "beside". Either way
// a write, flush or close that fails is a failed save; a full disk or
// /dev/full is found at the last flush, whatever the size.
class SafeFile
{
public:
    explicit SafeFile(const QString &path);
    ~SafeFile();
    SafeFile(const SafeFile &) = delete;
    SafeFile &operator=(const SafeFile &) = delete;

    // False with the system's reason (not a sentence of ours) in *error.
    bool open(QString *error);
    QIODevice *device() const;
    // Puts a new file in place, or flushes and closes a direct one.
    bool commit(QString *error);
    // Leaves no new file; what was written into a device stays written.
    void cancel();
    // Whether the output is written directly (not a regular file).
    bool isDirect() const { return m_direct; }

    // The whole save in one call.
    static bool write(const QString &path, const QByteArray &bytes, QString *error);
    // The name exists and is something else than a regular file (a symbolic
    // link is followed).
    static bool isSpecial(const QString &path);

private:
    QString m_path;
    bool m_direct = false;
    std::unique_ptr<QSaveFile> m_save;
    std::unique_ptr<QFile> m_file;
};
