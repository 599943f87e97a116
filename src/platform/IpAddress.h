#pragma once

#include <QString>
#include <QtGlobal>
#include <array>
#include <compare>
#include <optional>

enum class IpFamily : quint8 {
    Unspecified, // a null address; as a preference: either family
    IPv4,
    IPv6,
};

// An IPv4 or IPv6 address as a plain 17-byte value: results rows hold one each, so no heap and no pimpl.
// Bytes are in network order, so comparing them compares the addresses numerically (IPv4 before IPv6).
class IpAddress
{
public:
    using Bytes = std::array<quint8, 16>;

    IpAddress() = default;
    // An IPv4 address in host byte order.
    static IpAddress fromIpv4(quint32 address);
    static IpAddress fromIpv6(const Bytes& bytes);
    static IpAddress fromIpv6(const void* sixteenBytes);
    // An IPv6 literal, bare or in brackets, with an optional zone (fe80::1%eth0, [fe80::1%2]). The zone's
    // interface index goes to scopeId (0 without a zone); a zone naming no interface makes the text invalid.
    static std::optional<IpAddress> parseIpv6(const QString& text, quint32* scopeId = nullptr);

    IpFamily family() const { return m_family; }
    bool isNull() const { return m_family == IpFamily::Unspecified; }
    bool isIpv4() const { return m_family == IpFamily::IPv4; }
    bool isIpv6() const { return m_family == IpFamily::IPv6; }
    // Host byte order; 0 unless IPv4.
    quint32 toIpv4() const;
    // IPv6: all sixteen bytes; IPv4: the four bytes first.
    const Bytes& bytes() const { return m_bytes; }

    // Dotted decimal for IPv4, the canonical form of RFC 5952 for IPv6, empty when null.
    QString toString() const;

    friend auto operator<=>(const IpAddress& a, const IpAddress& b) = default;

private:
    QString ipv6Text() const;

    // Declared family first: the ordering compares families, then bytes.
    IpFamily m_family = IpFamily::Unspecified;
    Bytes m_bytes{};
};

static_assert(sizeof(IpAddress) == 17);
