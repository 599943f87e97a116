#include "monitor/StatusSummary.h"

#include "core/CurrentRows.h"
#include "core/HostListModel.h"
#include "core/ResultsModel.h"

StatusSummary StatusSummary::count(const HostListModel& hosts, const ResultsModel& results)
{
    StatusSummary s;
    s.hosts = hosts.count();
    const CurrentRows current(hosts, results);
    for (int i = 0; i < results.count(); ++i) {
        if (!current.contains(i))
            continue;
        const ResultRow& r = results.row(i);
        switch (ResultsModel::outcome(r)) {
        case ResultsModel::Outcome::Answering:
            ++s.answering;
            break;
        case ResultsModel::Outcome::Failing:
            ++s.failing;
            break;
        default:
            break;
        }
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
