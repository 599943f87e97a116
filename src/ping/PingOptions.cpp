#include "ping/PingOptions.h"

namespace
{
QString outOfRange(const char* option, qint64 low, qint64 high, const char* unit)
{
    return QStringLiteral("%1 must be between %2 and %3%4")
        .arg(QLatin1String(option))
        .arg(low)
        .arg(high)
        .arg(QLatin1String(unit));
}
} // namespace

QString PingOptions::check() const
{
    if (timeoutMs < MinTimeoutMs || timeoutMs > MaxTimeoutMs)
        return outOfRange("--timeout", MinTimeoutMs, MaxTimeoutMs, " ms");
    if (count < 1 || count > MaxCount)
        return outOfRange("--count", 1, MaxCount, "");
    if (intervalMs < 1 || intervalMs > MaxIntervalMs)
        return outOfRange("--interval", 1, MaxIntervalMs, " ms");
    if (payloadBytes && (*payloadBytes < 0 || *payloadBytes > MaxPayloadIpv4))
        return outOfRange("--size", 0, MaxPayloadIpv4, " bytes");
    if (ttl && (*ttl < 1 || *ttl > 255))
        return outOfRange("--ttl", 1, 255, "");
    if (ratePps && (*ratePps < 1 || *ratePps > MaxRatePps))
        return outOfRange("--rate", 1, MaxRatePps, " echoes per second");
    return {};
}
