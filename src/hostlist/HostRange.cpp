#include "hostlist/HostRange.h"

#include "ping/HostAddress.h"
#include "platform/IpAddress.h"

#include <optional>

namespace HostRange
{

namespace
{

// IPv6 spans need all 128 bits; GCC and Clang both have the type.
__extension__ typedef unsigned __int128 Uint128;

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isHexLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('f')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool isDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

// Four groups of one to three digits with dots between: an IPv4 address by its looks, whatever the numbers.
bool hasIpv4Shape(QStringView text)
{
    int dots = 0;
    int digits = 0;
    for (const QChar c : text) {
        if (isDigit(c)) {
            if (++digits > 3)
                return false;
        } else if (c == QLatin1Char('.') && digits > 0) {
            ++dots;
            digits = 0;
        } else {
            return false;
        }
    }
    return dots == 3 && digits > 0;
}

// Hex digits, colons and dots (an IPv4 tail), at least one colon.
bool hasIpv6Shape(QStringView text)
{
    bool colon = false;
    for (const QChar c : text) {
        if (c == QLatin1Char(':'))
            colon = true;
        else if (!isDigit(c) && !isHexLetter(c) && c != QLatin1Char('.'))
            return false;
    }
    return colon;
}

QString grouped(Uint128 value)
{
    QString digits;
    do {
        if (digits.size() % 4 == 3)
            digits.prepend(QLatin1Char(','));
        digits.prepend(QChar(u'0' + static_cast<char16_t>(value % 10)));
        value /= 10;
    } while (value != 0);
    return digits;
}

Uint128 toNumber(const IpAddress& address)
{
    if (address.isIpv4())
        return address.toIpv4();
    Uint128 n = 0;
    for (const quint8 b : address.bytes())
        n = n << 8 | b;
    return n;
}

QString ipv6Text(Uint128 n)
{
    IpAddress::Bytes bytes;
    for (int i = 15; i >= 0; --i) {
        bytes[static_cast<size_t>(i)] = static_cast<quint8>(n);
        n >>= 8;
    }
    return IpAddress::fromIpv6(bytes).toString();
}

// What an entry turned out to be.
struct Parsed {
    enum Kind { NotRange, Refused, Range };
    Kind kind = NotRange;
    QString error;
    bool ipv6 = false;
    Uint128 first = 0;
    Uint128 last = 0;
    QString zone; // IPv6: "%" and the zone as typed, given to every address
};

Parsed refused(const QString& range, const QString& reason)
{
    Parsed p;
    p.kind = Parsed::Refused;
    p.error = QStringLiteral("%1: %2").arg(range, reason);
    return p;
}

Parsed span(Uint128 first, Uint128 last, bool ipv6 = false, const QString& zone = {})
{
    Parsed p;
    p.kind = Parsed::Range;
    p.first = first;
    p.last = last;
    p.ipv6 = ipv6;
    p.zone = zone;
    return p;
}

// The prefix length, when it is at most `bits`; digits too many to count are out of range as well.
std::optional<int> prefixLength(QStringView digits, int bits)
{
    bool ok = false;
    const uint length = digits.toUInt(&ok);
    if (!ok || length > static_cast<uint>(bits))
        return std::nullopt;
    return static_cast<int>(length);
}

Parsed parseIpv4(const QString& text)
{
    if (const qsizetype slash = text.indexOf(QLatin1Char('/')); slash >= 0) {
        const QStringView address = QStringView(text).first(slash);
        const QStringView length = QStringView(text).sliced(slash + 1);
        if (!hasIpv4Shape(address) || !isDigits(length))
            return {};
        const std::optional<quint32> base = HostAddress::parseIpv4(address.toString());
        if (!base)
            return refused(text, QStringLiteral("%1 is not an IPv4 address").arg(address));
        const std::optional<int> bits = prefixLength(length, 32);
        if (!bits)
            return refused(text, QStringLiteral("the prefix length must be between 0 and 32"));
        const quint32 hostMask = *bits == 0 ? 0xFFFFFFFFu : (quint32(1) << (32 - *bits)) - 1;
        const quint32 network = *base & ~hostMask;
        const quint32 broadcast = network | hostMask;
        // Like fping -g: a subnet's own address and its broadcast address are no hosts, except in /31 and /32.
        if (*bits < 31)
            return span(network + 1, broadcast - 1);
        return span(network, broadcast);
    }
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    if (dash < 0)
        return {};
    const QStringView from = QStringView(text).first(dash);
    const QStringView to = QStringView(text).sliced(dash + 1);
    const bool shortEnd = to.size() <= 3 && isDigits(to);
    if (!hasIpv4Shape(from) || (!shortEnd && !hasIpv4Shape(to)))
        return {};
    const std::optional<quint32> first = HostAddress::parseIpv4(from.toString());
    if (!first)
        return refused(text, QStringLiteral("%1 is not an IPv4 address").arg(from));
    std::optional<quint32> last;
    if (shortEnd) {
        const uint octet = to.toUInt();
        if (octet > 255)
            return refused(text, QStringLiteral("the last octet %1 is over 255").arg(to));
        last = (*first & 0xFFFFFF00u) | octet;
    } else {
        last = HostAddress::parseIpv4(to.toString());
        if (!last)
            return refused(text, QStringLiteral("%1 is not an IPv4 address").arg(to));
    }
    if (*last < *first)
        return refused(text, QStringLiteral("the range ends before it starts"));
    return span(*first, *last);
}

Parsed parseIpv6(const QString& text)
{
    if (const qsizetype slash = text.lastIndexOf(QLatin1Char('/')); slash >= 0) {
        QStringView address = QStringView(text).first(slash);
        const QStringView length = QStringView(text).sliced(slash + 1);
        if (!isDigits(length))
            return {};
        if (address.startsWith(QLatin1Char('[')) && address.endsWith(QLatin1Char(']')))
            address = address.sliced(1, address.size() - 2);
        QString zone; // with its "%"
        if (const qsizetype percent = address.indexOf(QLatin1Char('%')); percent >= 0) {
            zone = address.sliced(percent).toString();
            address = address.first(percent);
        }
        if (!hasIpv6Shape(address))
            return {};
        const std::optional<IpAddress> base = IpAddress::parseIpv6(address.toString());
        if (!base)
            return refused(text, QStringLiteral("%1 is not an IPv6 address").arg(address));
        if (!zone.isEmpty() && !IpAddress::parseIpv6(address.toString() + zone))
            return refused(text, QStringLiteral("no network interface is named \"%1\"").arg(zone.sliced(1)));
        const std::optional<int> bits = prefixLength(length, 128);
        if (!bits)
            return refused(text, QStringLiteral("the prefix length must be between 0 and 128"));
        const Uint128 hostMask = *bits == 0 ? ~Uint128(0) : (Uint128(1) << (128 - *bits)) - 1;
        const Uint128 network = toNumber(*base) & ~hostMask;
        return span(network, network | hostMask, true, zone);
    }
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    if (dash < 0)
        return {};
    const QStringView from = QStringView(text).first(dash);
    const QStringView to = QStringView(text).sliced(dash + 1);
    if (!hasIpv6Shape(from) || !hasIpv6Shape(to))
        return {};
    const std::optional<IpAddress> first = IpAddress::parseIpv6(from.toString());
    if (!first)
        return refused(text, QStringLiteral("%1 is not an IPv6 address").arg(from));
    const std::optional<IpAddress> last = IpAddress::parseIpv6(to.toString());
    if (!last)
        return refused(text, QStringLiteral("%1 is not an IPv6 address").arg(to));
    if (*last < *first)
        return refused(text, QStringLiteral("the range ends before it starts"));
    return span(toNumber(*first), toNumber(*last), true);
}

} // namespace

QString groupedNumber(quint64 value)
{
    return grouped(value);
}

bool looksLikeRange(const QString& entry)
{
    // Raw UTF-16 units, as list files send every line through here.
    const char16_t* c = QStringView(entry).utf16();
    const char16_t* const end = c + entry.size();
    while (c != end && QChar::isSpace(*c))
        ++c;
    if (c == end)
        return false;
    // Only IPv6 starts with a letter, a colon or a bracket, and only IPv6 has a colon.
    const bool ipv4 = *c >= u'0' && *c <= u'9';
    if (!ipv4 && !((*c >= u'a' && *c <= u'f') || (*c >= u'A' && *c <= u'F') || *c == u':' || *c == u'['))
        return false;
    bool separator = false;
    bool colon = false;
    for (; c != end; ++c) {
        separator |= *c == u'/' || *c == u'-';
        colon |= *c == u':';
    }
    return separator && (ipv4 || colon);
}

// What is a range goes by its shape alone: four groups of 1-3 digits, then "/" and digits, or "-" and either
// four such groups or 1-3 digits; or hex digits, colons and dots with a colon (brackets and a zone allowed
// before a "/"), then "/" and digits, or "-" and the same again. Blanks around it are dropped. A text of that
// shape was meant as a range, so numbers out of bounds refuse it with a message: an octet over 255, a prefix
// over /32 or /128, an IPv6 text that does not parse, an end before the start, more addresses than the limit.
// Every other text, host names with dashes included, stays one entry as typed, and pinging judges it.
Expansion expand(const QString& entry, int limit)
{
    Expansion result;
    if (!looksLikeRange(entry)) {
        result.entries = QStringList{entry};
        return result;
    }
    const QString text = entry.trimmed();
    const Parsed parsed = text.contains(QLatin1Char(':')) ? parseIpv6(text) : parseIpv4(text);
    if (parsed.kind == Parsed::NotRange) {
        result.entries = QStringList{entry};
        return result;
    }
    result.wasRange = true;
    if (parsed.kind == Parsed::Refused) {
        result.error = parsed.error;
        return result;
    }
    const Uint128 steps = parsed.last - parsed.first; // one less than the count, so that ::/0 fits
    if (limit < 1 || steps > static_cast<Uint128>(limit - 1)) {
        const QString count = steps == ~Uint128(0)
                                  ? QStringLiteral("340,282,366,920,938,463,463,374,607,431,768,211,456")
                                  : grouped(steps + 1);
        result.error = QStringLiteral("%1 has %2 addresses; at most %3 can come from one range")
                           .arg(text, count, grouped(static_cast<Uint128>(limit < 0 ? 0 : limit)));
        return result;
    }
    result.entries.reserve(static_cast<qsizetype>(steps) + 1);
    for (Uint128 n = parsed.first;; ++n) {
        result.entries.append(parsed.ipv6 ? ipv6Text(n) + parsed.zone : HostAddress::ipv4Text(static_cast<quint32>(n)));
        if (n == parsed.last)
            break;
    }
    return result;
}

} // namespace HostRange
