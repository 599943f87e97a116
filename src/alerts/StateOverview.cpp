#include "alerts/StateOverview.h"

#include "core/CurrentRows.h"
#include "core/ResultsModel.h"

StateOverview StateOverview::of(const HostListModel& hosts, const ResultsModel& results)
{
    StateOverview o;
    const CurrentRows current(hosts, results);
    for (int i = 0; i < results.count(); ++i) {
        if (!current.contains(i))
            continue;
        switch (results.row(i).track.state) {
        case HostState::Up:
            ++o.up;
            break;
        case HostState::Down:
            ++o.down;
            break;
        default:
            ++o.unknown;
        }
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
