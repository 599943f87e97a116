#include "monitor/StatusSummary.h"

#include "core/HostListModel.h"
#include "results/HostTable.h"

StatusSummary StatusSummary::count(const HostListModel& hosts, const HostTable& results)
{
    StatusSummary s;
    s.hosts = hosts.count();
    for (HostTable::Slot slot = 0; slot < results.slotCount(); ++slot) {
        if (results.rowOf(slot) < 0 || !results.isCurrent(slot) || !results.counted(slot))
            continue;
        ++(results.lastStatus(slot) == EchoStatus::Success ? s.answering : s.failing);
    }
    s.notYetPinged = s.hosts - s.answering - s.failing;
    return s;
}

QString StatusSummary::text() const
{
    QString line = QStringLiteral("%1 hosts: %2 answering, %3 failing, %4 not yet pinged")
                       .arg(hosts)
                       .arg(answering)
                       .arg(failing)
                       .arg(notYetPinged);
    if (lastRoundMs >= 0)
        line += QStringLiteral(". Last round %1 s").arg(static_cast<double>(lastRoundMs) / 1000.0, 0, 'f', 1);
    if (msToNextRound >= 0)
        line += (lastRoundMs >= 0 ? QStringLiteral(", next in %1 s") : QStringLiteral(". Next round in %1 s"))
                    .arg((msToNextRound + 999) / 1000);
    return line;
}
