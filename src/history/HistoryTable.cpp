#include "history/HistoryTable.h"

#include "core/ResultsFormat.h"
#include "core/ResultsModel.h"
#include "history/HistoryStatistics.h"
#include "history/HistoryStore.h"
#include "history/HistoryTexts.h"

namespace HistoryTable
{

QStringList headers()
{
    return {QStringLiteral("Host Name/IP"), QStringLiteral("Min (ms)"),    QStringLiteral("Max (ms)"),
            QStringLiteral("Mean (ms)"),    QStringLiteral("Median (ms)"), QStringLiteral("95th Percentile (ms)"),
            QStringLiteral("Jitter (ms)"),  QStringLiteral("% Loss")};
}

ResultsSnapshot snapshot(const ResultsModel& results, const HistoryStore& store)
{
    ResultsSnapshot table;
    table.headers = headers();
    table.rows.reserve(results.count());
    for (int i = 0; i < results.count(); ++i) {
        const ResultRow& row = results.row(i);
        const OutcomeRing* ring = store.ring(row.rowId);
        const HistoryStatistics s = HistoryStatistics::compute(ring ? ring->outcomes() : QList<Outcome>());
        using HistoryTexts::milliseconds;
        table.rows.append({row.host, milliseconds(s.minMs), milliseconds(s.maxMs), milliseconds(s.meanMs),
                           milliseconds(s.medianMs), milliseconds(s.p95Ms), milliseconds(s.jitterMs),
                           s.outcomes > 0 ? ResultsFormat::failedPercent(s.answered, s.failed) : QString()});
    }
    return table;
}

} // namespace HistoryTable
