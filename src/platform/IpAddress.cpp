#include "platform/IpAddress.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <net/if.h>

IpAddress IpAddress::fromIpv4(quint32 address)
{
    IpAddress a;
    a.m_family = IpFamily::IPv4;
    for (int i = 0; i < 4; ++i)
        a.m_bytes[static_cast<size_t>(i)] = static_cast<quint8>(address >> (24 - 8 * i));
    return a;
}

IpAddress IpAddress::fromIpv6(const Bytes& bytes)
{
    IpAddress a;
    a.m_family = IpFamily::IPv6;
    a.m_bytes = bytes;
    return a;
}

IpAddress IpAddress::fromIpv6(const void* sixteenBytes)
{
    Bytes bytes;
    std::memcpy(bytes.data(), sixteenBytes, bytes.size());
    return fromIpv6(bytes);
}

std::optional<IpAddress> IpAddress::parseIpv6(const QString& text, quint32* scopeId)
{
    QString body = text;
    if (body.startsWith(QLatin1Char('[')) && body.endsWith(QLatin1Char(']')))
        body = body.mid(1, body.size() - 2);
    quint32 scope = 0;
    const qsizetype percent = body.indexOf(QLatin1Char('%'));
    if (percent >= 0) {
        const QString zone = body.mid(percent + 1);
        body.truncate(percent);
        bool numeric = false;
        scope = zone.toUInt(&numeric);
        if (!numeric)
            scope = zone.isEmpty() ? 0 : if_nametoindex(zone.toLocal8Bit().constData());
        if (scope == 0)
            return std::nullopt;
    }
    // inet_pton takes exactly the RFC 4291 text forms, and nothing else (no spaces, no brackets).
    if (body.isEmpty() || !body.contains(QLatin1Char(':')))
        return std::nullopt;
    Bytes bytes;
    if (inet_pton(AF_INET6, body.toLatin1().constData(), bytes.data()) != 1 || body.size() != body.toLatin1().size())
        return std::nullopt;
    if (scopeId != nullptr)
        *scopeId = scope;
    return fromIpv6(bytes);
}

quint32 IpAddress::toIpv4() const
{
    if (!isIpv4())
        return 0;
    return quint32(m_bytes[0]) << 24 | quint32(m_bytes[1]) << 16 | quint32(m_bytes[2]) << 8 | m_bytes[3];
}

QString IpAddress::toString() const
{
    switch (m_family) {
    case IpFamily::IPv4: {
        // Written by hand: a results table shows one per row, and QString::arg costs several times as much.
        char text[16];
        char* at = text;
        for (int i = 0; i < 4; ++i) {
            const unsigned byte = m_bytes[static_cast<std::size_t>(i)];
            if (i > 0)
                *at++ = '.';
            if (byte >= 100)
                *at++ = char('0' + byte / 100);
            if (byte >= 10)
                *at++ = char('0' + byte / 10 % 10);
            *at++ = char('0' + byte % 10);
        }
        return QString::fromLatin1(text, at - text);
    }
    case IpFamily::IPv6:
        return ipv6Text();
    case IpFamily::Unspecified:
        break;
    }
    return {};
}

QString IpAddress::ipv6Text() const
{
    std::array<quint16, 8> groups;
    for (size_t i = 0; i < groups.size(); ++i)
        groups[i] = static_cast<quint16>(m_bytes[2 * i] << 8 | m_bytes[2 * i + 1]);
    // An IPv4-mapped address keeps its IPv4 tail in dotted form (RFC 5952, section 5).
    const bool mapped =
        std::all_of(groups.begin(), groups.begin() + 5, [](quint16 g) { return g == 0; }) && groups[5] == 0xFFFF;
    const size_t hexGroups = mapped ? 6 : 8;
    // "::" stands for the longest run of zero groups, the first of equal runs, and never for a lone one.
    size_t bestStart = hexGroups, bestLength = 1;
    for (size_t i = 0; i < hexGroups;) {
        size_t j = i;
        while (j < hexGroups && groups[j] == 0)
            ++j;
        if (j - i > bestLength) {
            bestStart = i;
            bestLength = j - i;
        }
        i = j == i ? i + 1 : j;
    }
    QString text;
    for (size_t i = 0; i < hexGroups; ++i) {
        if (i == bestStart) {
            text += QLatin1String("::");
            i += bestLength - 1;
            continue;
        }
        if (!text.isEmpty() && !text.endsWith(QLatin1Char(':')))
            text += QLatin1Char(':');
        text += QString::number(groups[i], 16);
    }
    if (mapped) {
        if (!text.endsWith(QLatin1Char(':')))
            text += QLatin1Char(':');
        text += QStringLiteral("%1.%2.%3.%4").arg(m_bytes[12]).arg(m_bytes[13]).arg(m_bytes[14]).arg(m_bytes[15]);
    }
    return text;
}
