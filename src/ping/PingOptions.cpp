#include "ping/PingOptions.h"

#include "ping/HostAddress.h"
#include "platform/IpAddress.h"
#include "platform/LocalInterfaces.h"

QString PingOptions::Limit::message(Naming naming) const
{
    return QStringLiteral("%1 must be between %2 and %3%4")
        .arg(QLatin1String(naming == Naming::Options ? option : label))
        .arg(low)
        .arg(high)
        .arg(QLatin1String(unit));
}

QString PingOptions::check(Naming naming) const
{
    if (!TimeoutLimit.contains(timeoutMs))
        return TimeoutLimit.message(naming);
    if (!CountLimit.contains(count))
        return CountLimit.message(naming);
    if (!IntervalLimit.contains(intervalMs))
        return IntervalLimit.message(naming);
    if (payloadBytes && !SizeLimit.contains(*payloadBytes))
        return SizeLimit.message(naming);
    if (ttl && !TtlLimit.contains(*ttl))
        return TtlLimit.message(naming);
    if (ratePps && !RateLimit.contains(*ratePps))
        return RateLimit.message(naming);
    if (!source.isEmpty())
        if (QString problem = sourceProblem(source, naming); !problem.isEmpty())
            return problem;
    if (!interface.isEmpty())
        if (QString problem = interfaceProblem(interface, naming); !problem.isEmpty())
            return problem;
    return {};
}

QString PingOptions::sourceProblem(const QString& text, Naming naming)
{
    // Only the form is checked: a zone's interface need not exist on the machine that reads the options.
    QString address = text;
    if (address.startsWith(QLatin1Char('[')) && address.endsWith(QLatin1Char(']')))
        address = address.mid(1, address.size() - 2);
    const qsizetype percent = address.indexOf(QLatin1Char('%'));
    const bool usable = percent < 0 ? HostAddress::parseIpv4(address) || IpAddress::parseIpv6(address)
                                    // A zone belongs to an IPv6 address only.
                                    : interfaceProblem(address.mid(percent + 1)).isEmpty() &&
                                          IpAddress::parseIpv6(address.left(percent));
    if (usable)
        return {};
    return naming == Naming::Options ? QStringLiteral("--source takes an IPv4 or IPv6 address, such as 192.0.2.1 "
                                                      "or 2001:db8::1")
                                     : QStringLiteral("The source address must be an IPv4 or IPv6 address, such as "
                                                      "192.0.2.1 or 2001:db8::1, or empty for the system's choice.");
}

QString PingOptions::interfaceProblem(const QString& text, Naming naming)
{
    // The names the kernel accepts: not empty, at most 15 bytes, no "/", ":" or white space, not "." or "..".
    bool usable = !text.isEmpty() && text.toUtf8().size() <= MaxInterfaceName && text != QLatin1String(".") &&
                  text != QLatin1String("..");
    for (const QChar c : text)
        usable = usable && c != QLatin1Char('/') && c != QLatin1Char(':') && !c.isSpace();
    if (usable)
        return {};
    return naming == Naming::Options ? QStringLiteral("--interface takes an interface name of 1 to 15 characters "
                                                      "without spaces, / or :")
                                     : QStringLiteral("The interface must be a name of 1 to 15 characters without "
                                                      "spaces, / or :, or empty for any.");
}

QString PingOptions::sendFromProblem(IpAddress& address, Naming naming) const
{
    const bool options = naming == Naming::Options;
    if (!source.isEmpty()) {
        const std::optional<HostAddress::Target> target = HostAddress::parseLiteral(source.trimmed());
        if (!target || !LocalInterfaces::holdsAddress(target->address))
            return options ? QStringLiteral("--source %1: this machine has no such address").arg(source)
                           : QStringLiteral("This machine has no address %1: give one of its own addresses as the "
                                            "source, or none for the system's choice.")
                                 .arg(source);
        address = target->address;
    }
    if (!interface.isEmpty() && !LocalInterfaces::hasInterface(interface))
        return options ? QStringLiteral("--interface %1: this machine has no such interface").arg(interface)
                       : QStringLiteral("This machine has no interface %1: give one of its own, or none for any.")
                             .arg(interface);
    return {};
}
