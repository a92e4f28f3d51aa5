#include "AddressValue.h"

#include <arpa/inet.h>

namespace AddressValue {

QByteArray sortKey(const QString &text)
{
    const QByteArray bytes = text.trimmed().toLatin1();
    const qsizetype percent = bytes.indexOf('%');
    const QByteArray address = percent < 0 ? bytes : bytes.left(percent);
    QByteArray key;
    in_addr v4{};
    in6_addr v6{};
    if (percent < 0 && inet_pton(AF_INET, address.constData(), &v4) == 1) {
        key += '\x01';
        key += QByteArray(reinterpret_cast<const char *>(&v4.s_addr), 4);  // network order: most significant first
    } else if (inet_pton(AF_INET6, address.constData(), &v6) == 1) {
        key += '\x02';
        key += QByteArray(reinterpret_cast<const char *>(v6.s6_addr), 16);
        if (percent >= 0)
            key += bytes.mid(percent);
    } else {
        key += '\x03';
    }
    // The text itself last: it orders what is no address and keeps two
    // spellings of one value apart.
    key += '\0';
    key += text.toUtf8();
    return key;
}

} // namespace AddressValue
