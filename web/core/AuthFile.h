#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

namespace web {

// The users of --auth-file and their passwords' crypt(3) hashes, one
// "user:HASH" a line (as `openssl passwd -6` or `mkpasswd` print them);
// empty lines and lines beginning with # are skipped.
//
// A password is checked by the system's libcrypt (crypt_r), never by code
// of ours. Methods libcrypt calls legacy (DES, MD5, …) or does not know are
// refused when the file is read, naming the line. A request's credentials
// that passed once are remembered by their SHA-256 (never in clear), so a
// client polling every few seconds costs one hash, not one per request.
class AuthFile
{
public:
    bool parse(const QByteArray &text, QString *error);
    bool load(const QString &path, QString *error);

    int userCount() const { return int(m_users.size()); }
    // Whether an Authorization header carries a user's right credentials
    // (Basic).
    bool accepts(const QByteArray &authorization);

    static constexpr int RememberedMax = 256;

private:
    bool verify(const QByteArray &user, const QByteArray &password) const;

    QHash<QByteArray, QByteArray> m_users;
    QSet<QByteArray> m_remembered;
};

} // namespace web
