#pragma once

#include <QMetaType>
#include <QString>
#include <QtGlobal>

#include <array>

namespace monitor {

// A probe target or reply source of either family, as the echo transport
// needs it: the four bytes of an IPv4 address, or the sixteen of an IPv6 one
// with the interface index of its zone where the address needs one
// (link-local), so that fe80::1%eth0 and fe80::1%wlan0 are different hosts.
class HostAddress
{
public:
    enum class Family : quint8 { None, IPv4, IPv6 };

    HostAddress() = default;
    static HostAddress ipv4(quint32 hostOrder);
    // bytes in network order; scopeId is kept only where the address has a
    // zone of its own (link-local), as the kernel reports replies.
    static HostAddress ipv6(const quint8 *bytes, quint32 scopeId = 0);

    // The address text of a book row as the monitor probes it
    // (AddressSyntax):
    // - a dotted quad of decimal numbers, except 255.255.255.255, which
    //   inet_addr could not tell from an error; as inet_addr did, a blank
    //   and anything after it are a comment ("127.0.0.1 router");
    // - an IPv6 literal (inet_pton), optionally with a zone "%eth0" or "%2"
    //   naming an existing interface;
    // - an IPv4-mapped ::ffff:a.b.c.d is the IPv4 address, under its rules.
    // Anything else, host names and older IPv4 spellings included, is not an
    // address: false.
    static bool parse(const QString &text, HostAddress *address);
    // For an older IPv4 spelling inet_addr took ("010.0.0.1", "10.1"): the
    // address it used to be probed as. Empty for any other text.
    static QString legacyReading(const QString &text);

    Family family() const { return m_family; }
    bool isNull() const { return m_family == Family::None; }
    quint32 toIPv4() const { return m_v4; }               // host order
    const quint8 *ipv6Bytes() const { return m_v6.data(); } // network order
    quint32 scopeId() const { return m_scope; }
    QString toString() const;

    friend bool operator==(const HostAddress &a, const HostAddress &b)
    {
        return a.m_family == b.m_family && a.m_v4 == b.m_v4 && a.m_v6 == b.m_v6 && a.m_scope == b.m_scope;
    }
    friend bool operator!=(const HostAddress &a, const HostAddress &b) { return !(a == b); }

private:
    Family m_family = Family::None;
    quint32 m_v4 = 0;
    std::array<quint8, 16> m_v6{};
    quint32 m_scope = 0;
};

size_t qHash(const HostAddress &address, size_t seed = 0) noexcept;

} // namespace monitor

Q_DECLARE_METATYPE(monitor::HostAddress)
