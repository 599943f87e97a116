#include "ping/HostAddress.h"

#include <QStringList>

bool HostAddress::isHostName(const QString& text)
{
    if (text.contains(QLatin1Char(':')))
        return false;
    for (const QChar c : text) {
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('.'))
            return true;
    }
    return false;
}

QString HostAddress::ipv4Text(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

std::optional<quint32> HostAddress::parseIpv4(const QString& text)
{
    // Four parts of one to three digits, each at most 255; read in place, as every echo of a round parses its
    // address.
    quint32 address = 0;
    int parts = 0;
    int digits = 0;
    quint32 value = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('.')) {
            if (digits == 0 || ++parts == 4)
                return std::nullopt;
            address = address << 8 | value;
            digits = 0;
            value = 0;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9') && digits < 3) {
            value = value * 10 + static_cast<quint32>(c.unicode() - u'0');
            if (value > 255)
                return std::nullopt;
            ++digits;
        } else {
            return std::nullopt;
        }
    }
    if (parts != 3 || digits == 0)
        return std::nullopt;
    return address << 8 | value;
}

std::optional<HostAddress::Target> HostAddress::parseLiteral(const QString& text)
{
    if (const std::optional<quint32> ipv4 = parseIpv4(text))
        return Target{IpAddress::fromIpv4(*ipv4), 0};
    Target target;
    const std::optional<IpAddress> ipv6 = IpAddress::parseIpv6(text, &target.scopeId);
    if (!ipv6)
        return std::nullopt;
    target.address = *ipv6;
    return target;
}
