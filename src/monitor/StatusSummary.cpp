#include "StatusSummary.h"

#include "HostListModel.h"
#include "ResultsModel.h"

#include <vector>

StatusSummary StatusSummary::count(const HostListModel& hosts, const ResultsModel& results)
{
    StatusSummary s;
    s.hosts = hosts.count();
    // Whether a row's host is still in the list, as one bit per host id: ids rise as hosts are added, so
    // the span is small, and a bit costs far less than a binary search of the host list for every row.
    const QList<HostEntry> entries = hosts.entries();
    const quint64 firstId = entries.isEmpty() ? 0 : entries.first().id;
    const quint64 span = entries.isEmpty() ? 0 : entries.last().id - firstId + 1;
    const bool bitsFit = span <= 64 * static_cast<quint64>(entries.size()) + 1024;
    std::vector<bool> present(bitsFit ? span : 0);
    if (bitsFit) {
        for (const HostEntry& entry : entries)
            present[entry.id - firstId] = true;
    }
    auto listed = [&](quint64 id) {
        if (!bitsFit)
            return hosts.contains(id);
        return id >= firstId && id - firstId < span && present[id - firstId];
    };
    for (int i = 0; i < results.count(); ++i) {
        const ResultRow& r = results.row(i);
        // A host's older rows (kept when fresh rows were built) and rows of removed hosts are not counted.
        if (!listed(r.hostId) || results.rowIdForHost(r.hostId) != r.rowId)
            continue;
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
