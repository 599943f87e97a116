#pragma once

#include "results/HostTable.h"

#include <QDateTime>

// Outcomes handed to the results core one at a time, as the engine would hand them in a batch of one.
namespace ResultsFeed
{
inline EchoOutcome outcome(const HostTable& table, HostTable::Slot slot, EchoStatus status, const QDateTime& when)
{
    EchoOutcome o;
    o.tag = table.tagOf(slot);
    o.status = status;
    o.whenUs = when.toMSecsSinceEpoch() * 1000;
    return o;
}
inline void successUs(HostTable& table, HostTable::Slot slot, const IpAddress& address, quint32 rttUs, quint8 ttl,
                      const QDateTime& when)
{
    EchoOutcome o = outcome(table, slot, EchoStatus::Success, when);
    o.address = address;
    o.rttUs = rttUs;
    o.ttl = ttl;
    table.apply(std::span(&o, 1));
}
inline void success(HostTable& table, HostTable::Slot slot, const IpAddress& address, quint32 rttMs, quint8 ttl,
                    const QDateTime& when)
{
    successUs(table, slot, address, rttMs * 1000, ttl, when);
}
inline void failure(HostTable& table, HostTable::Slot slot, quint32 status, const QDateTime& when)
{
    const EchoOutcome o = outcome(table, slot, static_cast<EchoStatus>(status), when);
    table.apply(std::span(&o, 1));
}
} // namespace ResultsFeed
