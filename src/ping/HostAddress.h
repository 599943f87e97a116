#pragma once

#include <QString>
#include <optional>

// Address texts of the host list and the results table.
class HostAddress
{
public:
    // True when some character is neither a decimal digit nor a dot: the entry needs resolving first.
    static bool isHostName(const QString& text);
    // An IPv4 address in host byte order as dotted decimal.
    static QString ipv4Text(quint32 address);
    // Strict dotted-quad IPv4 (four decimal numbers 0-255, nothing else), host byte order.
    static std::optional<quint32> parseIpv4(const QString& text);
};
