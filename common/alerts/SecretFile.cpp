#include "SecretFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <QUuid>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace alerts {

namespace {

// A secret is a line; anything larger is not the file it should be.
constexpr qint64 MaxBytes = 64 * 1024;

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString modeText(mode_t mode)
{
    return QStringLiteral("%1").arg(mode & 07777, 4, 8, QLatin1Char('0'));
}

// A channel's name as one file name: every byte but letters, digits and
// "-._~" percent-encoded (so no "/" and no NUL), and no leading dot (no
// hidden file, no "." or "..").
QString fileNameOf(const QString &channelName, ChannelKind kind)
{
    QString name = QString::fromLatin1(QUrl::toPercentEncoding(channelName));
    if (name.startsWith(QLatin1Char('.')))
        name.replace(0, 1, QStringLiteral("%2E"));
    return name + (kind == ChannelKind::Email ? QStringLiteral(".password") : QStringLiteral(".token"));
}

} // namespace

bool SecretFile::read(const QString &path, QString *secret, QString *error)
{
    auto refuse = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (path.isEmpty())
        return refuse(tr("не задан файл с паролем или ключом"));
    // Non-blocking, so that a pipe or a device named by mistake cannot hold
    // the delivery; refused below as no regular file.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return refuse(tr("не удалось прочитать файл %1 с паролем или ключом: %2").arg(path, errnoText(errno)));
    struct stat st = {};
    QByteArray bytes;
    QString why;
    if (::fstat(fd, &st) != 0) {
        why = tr("не удалось прочитать файл %1 с паролем или ключом: %2").arg(path, errnoText(errno));
    } else if (!S_ISREG(st.st_mode)) {
        why = tr("%1 — не обычный файл: пароль или ключ читается только из файла").arg(path);
    } else if (st.st_mode & (S_IRWXG | S_IRWXO)) {
        // Checked on the open file, so a file swapped after the check is
        // still the one judged.
        why = tr("файл %1 доступен не только владельцу (права %2): пароль или ключ в нём могут прочитать "
                 "другие пользователи. Оставьте доступ только владельцу: chmod 600 \"%1\"")
                  .arg(path, modeText(st.st_mode));
    } else if (st.st_size > MaxBytes) {
        why = tr("файл %1 слишком велик для пароля или ключа").arg(path);
    } else {
        bytes.resize(qsizetype(st.st_size));
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        bytes.truncate(got);
    }
    ::close(fd);
    if (!why.isEmpty())
        return refuse(why);
    const qsizetype end = bytes.indexOf('\n');
    if (end >= 0)
        bytes.truncate(end);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    if (bytes.isEmpty())
        return refuse(tr("в файле %1 нет пароля или ключа (первая строка пуста)").arg(path));
    if (secret)
        *secret = QString::fromUtf8(bytes);
    return true;
}

QString SecretFile::directory()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        return {};
    return QDir(config).filePath(QStringLiteral("orvant/secrets"));
}

bool SecretFile::write(const QString &channelName, ChannelKind kind, const QString &secret, QString *path,
                       QString *error)
{
    auto refuse = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QString dir = directory();
    if (dir.isEmpty())
        return refuse(tr("не найдена папка настроек пользователя (не задан HOME): пароль или ключ некуда "
                         "сохранить"));
    if (!QDir().mkpath(dir))
        return refuse(tr("не удалось создать папку %1 для паролей и ключей").arg(dir));
    // The folder may have been made by hand with a wider mode.
    if (::chmod(QFile::encodeName(dir).constData(), S_IRWXU) != 0)
        return refuse(tr("не удалось закрыть папку %1 от других пользователей: %2").arg(dir, errnoText(errno)));

    const QString target = QDir(dir).filePath(fileNameOf(channelName, kind));
    const QString temporary =
        QDir(dir).filePath(QStringLiteral(".new-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    const int fd = ::open(QFile::encodeName(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0)
        return refuse(tr("не удалось записать файл %1: %2").arg(temporary, errnoText(errno)));
    const QByteArray bytes = secret.toUtf8() + '\n';
    qsizetype written = 0;
    int writeError = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            writeError = n < 0 ? errno : EIO;
            break;
        }
        written += n;
    }
    if (!writeError && ::fsync(fd) != 0)
        writeError = errno;
    ::close(fd);
    if (!writeError && ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
        writeError = errno;
    if (writeError) {
        ::unlink(QFile::encodeName(temporary).constData());
        return refuse(tr("не удалось записать файл %1: %2").arg(target, errnoText(writeError)));
    }
    if (path)
        *path = target;
    return true;
}

bool SecretFile::resolve(AlertChannel *channel, QString *error)
{
    const QString path = channel->setting(SettingKey);
    if (path.isEmpty())
        return true;
    QString secret;
    if (!read(path, &secret, error))
        return false;
    channel->secret = secret;
    return true;
}

bool SecretFile::isOwnFile(const QString &path)
{
    const QString dir = directory();
    return !dir.isEmpty() && !path.isEmpty()
           && QFileInfo(path).absoluteDir().absolutePath() == QDir(dir).absolutePath();
}

} // namespace alerts
