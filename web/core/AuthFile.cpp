#include "AuthFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QList>

#include <crypt.h>

#include <memory>

namespace web {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("web::AuthFile", text);
}

// Compares in a time that does not depend on where the texts differ.
bool sameBytes(const char *a, const QByteArray &b)
{
    const size_t n = qstrlen(a);
    if (n != size_t(b.size()))
        return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < n; ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[int(i)]);
    return diff == 0;
}

} // namespace

bool AuthFile::parse(const QByteArray &text, QString *error)
{
    m_users.clear();
    m_remembered.clear();
    int number = 0;
    for (QByteArray line : text.split('\n')) {
        ++number;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            *error = tr("строка %1: ожидается «пользователь:хеш»").arg(number);
            return false;
        }
        const QByteArray user = line.left(colon);
        const QByteArray hash = line.mid(colon + 1);
        const int check = crypt_checksalt(hash.constData());
        if (check == CRYPT_SALT_METHOD_LEGACY) {
            *error = tr("строка %1: хеш пользователя %2 сделан устаревшим способом; сделайте новый командой "
                        "openssl passwd -6 или mkpasswd")
                         .arg(number)
                         .arg(QString::fromUtf8(user));
            return false;
        }
        if (check != CRYPT_SALT_OK || !hash.startsWith('$')) {
            *error = tr("строка %1: у пользователя %2 не хеш crypt(3) (ожидается, например, $6$… или $y$…)")
                         .arg(number)
                         .arg(QString::fromUtf8(user));
            return false;
        }
        if (m_users.contains(user)) {
            *error = tr("строка %1: пользователь %2 указан второй раз").arg(number).arg(QString::fromUtf8(user));
            return false;
        }
        m_users.insert(user, hash);
    }
    if (m_users.isEmpty()) {
        *error = tr("в файле нет ни одного пользователя");
        return false;
    }
    return true;
}

bool AuthFile::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("не удалось прочитать %1: %2").arg(path, file.errorString());
        return false;
    }
    QString why;
    if (!parse(file.readAll(), &why)) {
        *error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    }
    return true;
}

bool AuthFile::verify(const QByteArray &user, const QByteArray &password) const
{
    const auto found = m_users.constFind(user);
    // An unknown user costs a hash too, so the time does not tell who exists.
    const QByteArray &hash = found != m_users.cend() ? *found : *m_users.cbegin();
    auto data = std::make_unique<crypt_data>();
    const char *out = crypt_r(password.constData(), hash.constData(), data.get());
    return found != m_users.cend() && out && out[0] != '*' && sameBytes(out, hash);
}

bool AuthFile::accepts(const QByteArray &authorization)
{
    if (m_users.isEmpty())
        return false;
    const QByteArray key = QCryptographicHash::hash(authorization, QCryptographicHash::Sha256);
    if (m_remembered.contains(key))
        return true;
    const QByteArray scheme = authorization.left(6);
    if (scheme.compare("Basic ", Qt::CaseInsensitive) != 0)
        return false;
    const auto result = QByteArray::fromBase64Encoding(authorization.mid(6).trimmed(),
                                                       QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return false;
    const QByteArray &decoded = result.decoded;
    const qsizetype colon = decoded.indexOf(':');
    // A NUL would end the password early for crypt_r.
    if (colon <= 0 || decoded.contains('\0'))
        return false;
    if (!verify(decoded.left(colon), decoded.mid(colon + 1)))
        return false;
    if (m_remembered.size() >= RememberedMax)
        m_remembered.clear();
    m_remembered.insert(key);
    return true;
}

} // namespace web
