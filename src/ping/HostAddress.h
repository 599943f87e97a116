#pragma once

#include "platform/IpAddress.h"

#include <QString>
#include <optional>

// Address texts of the host list and the results table.
class HostAddress
{
public:
    // Where an echo goes: the address, and for a link-local IPv6 address the interface of its zone.
    struct Target {
        IpAddress address;
        quint32 scopeId = 0;
    };

    // True when the entry needs resolving first: some character is neither a decimal digit nor a dot, and it
    // has no colon. A text with a colon is an IPv6 literal (bare, in brackets, with a zone); it is pinged as
    // written, and one that does not parse fails like "10.0.0.300" does. No host name has a colon.
    static bool isHostName(const QString& text);
    // An IPv4 address in host byte order as dotted decimal.
    static QString ipv4Text(quint32 address);
    // Strict dotted-quad IPv4 (four decimal numbers 0-255, nothing else), host byte order.
    static std::optional<quint32> parseIpv4(const QString& text);
    // A strict dotted-quad IPv4 address or an IPv6 literal as isHostName describes it.
    static std::optional<Target> parseLiteral(const QString& text);
};
