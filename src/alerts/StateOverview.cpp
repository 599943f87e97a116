#include "alerts/StateOverview.h"

#include "results/HostTable.h"

StateOverview StateOverview::of(const HostTable& results)
{
    StateOverview o;
    for (HostTable::Slot slot = 0; slot < results.slotCount(); ++slot) {
        if (results.rowOf(slot) < 0 || !results.isCurrent(slot))
            continue;
        // Degraded hosts still answer; unreachable ones do not, whatever the cause.
        const HostState state = results.states().state(slot);
        if (isAnswering(state))
            ++o.up;
        else if (isFailing(state))
            ++o.down;
        else
            ++o.unknown;
    }
    return o;
}

StateOverview::Overall StateOverview::overall(bool monitoring) const
{
    if (!monitoring)
        return Overall::Off;
    return down > 0 ? Overall::SomeDown : Overall::AllUp;
}

QString StateOverview::text(bool monitoring) const
{
    const int total = up + down + unknown;
    switch (overall(monitoring)) {
    case Overall::Off:
        return QStringLiteral("Vantrel: monitoring off");
    case Overall::SomeDown:
        return QStringLiteral("Vantrel: %1 of %2 hosts down").arg(down).arg(total);
    default:
        return unknown > 0 ? QStringLiteral("Vantrel: %1 of %2 hosts up, none down").arg(up).arg(total)
                           : QStringLiteral("Vantrel: all %1 hosts up").arg(total);
    }
}
