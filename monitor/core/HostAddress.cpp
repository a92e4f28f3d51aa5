#include "HostAddress.h"

#include "AddressSyntax.h"

#include <QHashFunctions>

#include <arpa/inet.h>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>

namespace monitor {

namespace {

// Addresses whose meaning depends on the interface: the kernel reports the
// zone of replies from these only, and ignores one given for any other.
bool needsZone(const quint8 *b)
{
    const bool linkLocal = b[0] == 0xfe && (b[1] & 0xc0) == 0x80;
    const bool scopedMulticast = b[0] == 0xff && ((b[1] & 0x0f) == 0x01 || (b[1] & 0x0f) == 0x02);
    return linkLocal || scopedMulticast;
}

// The interface a zone names, by name or by number; 0 when there is none.
quint32 zoneIndex(const QByteArray &zone)
{
    if (zone.isEmpty() || zone.size() >= IF_NAMESIZE)
        return 0;
    bool numeric = false;
    const uint number = zone.toUInt(&numeric, 10);
    if (numeric && zone.at(0) != '+' && zone.at(0) != '-') {
        char name[IF_NAMESIZE];
        return number != 0 && if_indextoname(number, name) ? number : 0;
    }
    return if_nametoindex(zone.constData());
}

} // namespace

HostAddress HostAddress::ipv4(quint32 hostOrder)
{
    HostAddress a;
    a.m_family = Family::IPv4;
    a.m_v4 = hostOrder;
    return a;
}

HostAddress HostAddress::ipv6(const quint8 *bytes, quint32 scopeId)
{
    HostAddress a;
    a.m_family = Family::IPv6;
    std::memcpy(a.m_v6.data(), bytes, 16);
    a.m_scope = needsZone(bytes) ? scopeId : 0;
    return a;
}

// inet_addr read an IPv4 address up to the first blank and took the rest
// as a comment ("127.0.0.1 router"): rows written that way keep working.
static QString beforeComment(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u' ' || (c >= u'\t' && c <= u'\r'))
            return text.left(i);
    }
    return text;
}

bool HostAddress::parse(const QString &text, HostAddress *address)
{
    const QString head = beforeComment(text);
    const AddressSyntax::Parsed syntax = AddressSyntax::parse(head);
    HostAddress parsed;
    if (syntax.kind == AddressSyntax::Kind::IPv4) {
        // inet_addr could not tell this one from a failure.
        if (syntax.ipv4 == INADDR_NONE)
            return false;
        parsed = ipv4(syntax.ipv4);
    } else if (syntax.kind == AddressSyntax::Kind::IPv6 && head.size() == text.size()) {
        quint32 scope = 0;
        if (!syntax.zone.isEmpty() && (scope = zoneIndex(syntax.zone.toLatin1())) == 0)
            return false;
        if (IN6_IS_ADDR_V4MAPPED(reinterpret_cast<const in6_addr *>(syntax.ipv6.data()))) {
            quint32 v4 = 0;
            std::memcpy(&v4, syntax.ipv6.data() + 12, 4);
            if (v4 == INADDR_NONE)
                return false;
            parsed = ipv4(ntohl(v4));
        } else {
            parsed = ipv6(syntax.ipv6.data(), scope);
        }
    } else {
        return false;
    }
    if (address)
        *address = parsed;
    return true;
}

QString HostAddress::legacyReading(const QString &text)
{
    const AddressSyntax::Parsed syntax = AddressSyntax::parse(beforeComment(text));
    return syntax.kind == AddressSyntax::Kind::LegacyIPv4 ? AddressSyntax::canonical(syntax) : QString();
}

QString HostAddress::toString() const
{
    char text[INET6_ADDRSTRLEN + IF_NAMESIZE + 1] = {};
    if (m_family == Family::IPv4) {
        const in_addr a{htonl(m_v4)};
        inet_ntop(AF_INET, &a, text, sizeof text);
    } else if (m_family == Family::IPv6) {
        inet_ntop(AF_INET6, m_v6.data(), text, sizeof text);
        if (m_scope != 0)
            return QStringLiteral("%1%%2").arg(QLatin1String(text)).arg(m_scope);
    }
    return QString::fromLatin1(text);
}

size_t qHash(const HostAddress &address, size_t seed) noexcept
{
    if (address.family() == HostAddress::Family::IPv4)
        return ::qHash(address.toIPv4(), seed);
    return qHashBits(address.ipv6Bytes(), 16, seed ^ address.scopeId());
}

} // namespace monitor
