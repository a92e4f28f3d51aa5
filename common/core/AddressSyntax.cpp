#include "AddressSyntax.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstring>

namespace AddressSyntax {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Four parts of one to three digits, each at most 255, no leading zero.
bool readDottedQuad(const QByteArray &text, quint32 *value)
{
    quint32 result = 0;
    int parts = 0;
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (parts < 4) {
        const qsizetype start = i;
        int part = 0;
        while (i < size && isDigit(text.at(i)) && i - start < 3)
            part = part * 10 + (text.at(i++) - '0');
        const qsizetype digits = i - start;
        if (digits == 0 || part > 255 || (digits > 1 && text.at(start) == '0'))
            return false;
        result = (result << 8) | quint32(part);
        ++parts;
        if (parts < 4) {
            if (i >= size || text.at(i) != '.')
                return false;
            ++i;
        }
    }
    if (i != size)
        return false;
    *value = result;
    return true;
}

} // namespace

Parsed parse(const QString &text)
{
    Parsed parsed;
    // The longest IPv6 form with the longest zone; anything longer is no
    // address, and the limit keeps a hostile cell cheap.
    if (text.isEmpty() || text.size() > INET6_ADDRSTRLEN + IF_NAMESIZE)
        return parsed;
    for (const QChar c : text) {
        // Only printable ASCII without blanks: a NUL would end the C string
        // early, and inet_aton would take a blank as the start of a comment.
        if (c.unicode() <= 0x20 || c.unicode() > 0x7e)
            return parsed;
    }
    const QByteArray bytes = text.toLatin1();

    if (!bytes.contains(':')) {
        if (readDottedQuad(bytes, &parsed.ipv4)) {
            parsed.kind = Kind::IPv4;
            return parsed;
        }
        in_addr legacy{};
        if (inet_aton(bytes.constData(), &legacy) != 0) {
            parsed.kind = Kind::LegacyIPv4;
            parsed.ipv4 = ntohl(legacy.s_addr);
        }
        return parsed;
    }

    const qsizetype percent = bytes.indexOf('%');
    const QByteArray literal = percent < 0 ? bytes : bytes.left(percent);
    if (percent >= 0) {
        const QByteArray zone = bytes.mid(percent + 1);
        if (zone.isEmpty() || zone.size() >= IF_NAMESIZE || zone.contains('/') || zone.contains('%'))
            return parsed;
        parsed.zone = QString::fromLatin1(zone);
    }
    in6_addr v6{};
    // glibc's inet_pton takes an embedded IPv4 part only as a strict dotted
    // quad, so no older spelling hides in an IPv6 address either.
    if (inet_pton(AF_INET6, literal.constData(), &v6) != 1) {
        parsed.zone.clear();
        return parsed;
    }
    parsed.kind = Kind::IPv6;
    std::memcpy(parsed.ipv6.data(), v6.s6_addr, 16);
    return parsed;
}

bool isAddress(const QString &text)
{
    const Kind kind = parse(text).kind;
    return kind == Kind::IPv4 || kind == Kind::IPv6;
}

QString canonical(const Parsed &parsed)
{
    char text[INET6_ADDRSTRLEN] = {};
    switch (parsed.kind) {
    case Kind::None:
        return QString();
    case Kind::IPv4:
    case Kind::LegacyIPv4: {
        const in_addr a{htonl(parsed.ipv4)};
        inet_ntop(AF_INET, &a, text, sizeof text);
        return QString::fromLatin1(text);
    }
    case Kind::IPv6:
        inet_ntop(AF_INET6, parsed.ipv6.data(), text, sizeof text);
        return parsed.zone.isEmpty() ? QString::fromLatin1(text)
                                     : QString::fromLatin1(text) + QLatin1Char('%') + parsed.zone;
    }
    return QString();
}

} // namespace AddressSyntax
