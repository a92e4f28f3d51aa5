#include "AddressText.h"

#include "AddressSyntax.h"

namespace admin {

namespace AddressText {

namespace {

enum class Kind { None, V4, V6 };

struct Parsed
{
    Kind kind = Kind::None;
    quint32 v4 = 0; // host order
    std::array<quint8, 16> v6{};
    QByteArray zone;
};

bool isMappedIPv4(const std::array<quint8, 16> &b)
{
    for (int i = 0; i < 10; ++i) {
        if (b[i] != 0)
            return false;
    }
    return b[10] == 0xff && b[11] == 0xff;
}

Parsed parse(const QString &text)
{
    Parsed parsed;
    const AddressSyntax::Parsed syntax = AddressSyntax::parse(text);
    switch (syntax.kind) {
    case AddressSyntax::Kind::None:
    case AddressSyntax::Kind::LegacyIPv4:
        return parsed;
    case AddressSyntax::Kind::IPv4:
        // The monitor cannot tell this one from a failed reading.
        if (syntax.ipv4 == 0xffffffffu)
            return parsed;
        parsed.kind = Kind::V4;
        parsed.v4 = syntax.ipv4;
        return parsed;
    case AddressSyntax::Kind::IPv6:
        break;
    }
    if (isMappedIPv4(syntax.ipv6)) {
        // The monitor probes a mapped address as IPv4, under its rules.
        const quint32 mapped = quint32(syntax.ipv6[12]) << 24 | quint32(syntax.ipv6[13]) << 16
                               | quint32(syntax.ipv6[14]) << 8 | syntax.ipv6[15];
        if (mapped == 0xffffffffu)
            return parsed;
        parsed.kind = Kind::V4;
        parsed.v4 = mapped;
        return parsed;
    }
    parsed.kind = Kind::V6;
    parsed.v6 = syntax.ipv6;
    parsed.zone = syntax.zone.toLatin1();
    return parsed;
}

// The value's bytes: family, address, zone.
QByteArray valueKey(const Parsed &parsed)
{
    QByteArray key;
    switch (parsed.kind) {
    case Kind::V4:
        key.reserve(5);
        key += '\x01';
        for (int shift = 24; shift >= 0; shift -= 8)
            key += char((parsed.v4 >> shift) & 0xff);
        break;
    case Kind::V6:
        key.reserve(17 + parsed.zone.size());
        key += '\x02';
        key += QByteArray(reinterpret_cast<const char *>(parsed.v6.data()), 16);
        key += parsed.zone;
        break;
    case Kind::None:
        break;
    }
    return key;
}

} // namespace

bool isAddress(const QString &text)
{
    return parse(text).kind != Kind::None;
}

QString legacyReading(const QString &text)
{
    const AddressSyntax::Parsed syntax = AddressSyntax::parse(text);
    return syntax.kind == AddressSyntax::Kind::LegacyIPv4 ? AddressSyntax::canonical(syntax) : QString();
}

QByteArray sortKey(const QString &text)
{
    QByteArray key = valueKey(parse(text));
    if (key.isEmpty())
        key += '\x03';
    // The text itself last: it orders what is not an address and keeps two
    // spellings of one value apart.
    key += '\0';
    key += text.toUtf8();
    return key;
}

QByteArray hostKey(const QString &text)
{
    return valueKey(parse(text));
}

} // namespace AddressText

} // namespace admin
