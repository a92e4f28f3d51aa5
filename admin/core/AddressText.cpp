#include "AddressText.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstring>

namespace admin {

namespace AddressText {

namespace {

enum class Kind { None, V4, V6 };

struct Parsed
{
    Kind kind = Kind::None;
    quint32 v4 = 0; // host order
    in6_addr v6{};
    QByteArray zone;
};

Parsed parse(const QString &text)
{
    Parsed parsed;
    if (text.isEmpty() || text.size() > INET6_ADDRSTRLEN + IF_NAMESIZE)
        return parsed;
    for (const QChar c : text) {
        // inet_addr stops at a blank and takes the rest as a comment; a NUL
        // would end the C string early.
        if (c.isSpace() || c.unicode() == 0 || c.unicode() > 0x7e)
            return parsed;
    }
    const QByteArray bytes = text.toLatin1();
    const in_addr_t v4 = inet_addr(bytes.constData());
    if (v4 != INADDR_NONE) {
        parsed.kind = Kind::V4;
        parsed.v4 = ntohl(v4);
        return parsed;
    }
    if (!bytes.contains(':'))
        return parsed;
    const qsizetype percent = bytes.indexOf('%');
    const QByteArray literal = percent < 0 ? bytes : bytes.left(percent);
    if (percent >= 0) {
        parsed.zone = bytes.mid(percent + 1);
        if (parsed.zone.isEmpty() || parsed.zone.size() >= IF_NAMESIZE || parsed.zone.contains('/')
            || parsed.zone.contains('%'))
            return parsed;
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, literal.constData(), &v6) != 1)
        return parsed;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
        quint32 mapped = 0;
        std::memcpy(&mapped, v6.s6_addr + 12, 4);
        // The monitor probes a mapped address as IPv4, under its rules.
        if (mapped == INADDR_NONE)
            return parsed;
        parsed.kind = Kind::V4;
        parsed.v4 = ntohl(mapped);
        return parsed;
    }
    parsed.kind = Kind::V6;
    parsed.v6 = v6;
    return parsed;
}

} // namespace

bool isAddress(const QString &text)
{
    return parse(text).kind != Kind::None;
}

QByteArray sortKey(const QString &text)
{
    const Parsed parsed = parse(text);
    QByteArray key;
    switch (parsed.kind) {
    case Kind::V4:
        key.reserve(6 + text.size());
        key += '\x01';
        for (int shift = 24; shift >= 0; shift -= 8)
            key += char((parsed.v4 >> shift) & 0xff);
        break;
    case Kind::V6:
        key.reserve(18 + parsed.zone.size() + text.size());
        key += '\x02';
        key += QByteArray(reinterpret_cast<const char *>(parsed.v6.s6_addr), 16);
        key += parsed.zone;
        break;
    case Kind::None:
        key += '\x03';
        break;
    }
    // The text itself last: it orders what is not an address and keeps two
    // spellings of one value apart.
    key += '\0';
    key += text.toUtf8();
    return key;
}

} // namespace AddressText

} // namespace admin
