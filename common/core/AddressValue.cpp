#include "AddressValue.h"

#include "AddressSyntax.h"

namespace AddressValue {

QByteArray sortKey(const QString &text)
{
    const AddressSyntax::Parsed parsed = AddressSyntax::parse(text);
    QByteArray key;
    switch (parsed.kind) {
    case AddressSyntax::Kind::IPv4:
        key += '\x01';
        for (int shift = 24; shift >= 0; shift -= 8)
            key += char((parsed.ipv4 >> shift) & 0xff);
        break;
    case AddressSyntax::Kind::IPv6:
        key += '\x02';
        key += QByteArray(reinterpret_cast<const char *>(parsed.ipv6.data()), int(parsed.ipv6.size()));
        key += parsed.zone.toLatin1();
        break;
    default:
        key += '\x03';
        break;
    }
    // The text itself last: it orders what is no address and keeps two
    // spellings of one value apart.
    key += '\0';
    key += text.toUtf8();
    return key;
}

} // namespace AddressValue
