#include "history/HistoryTable.h"

#include "history/HistoryStatistics.h"
#include "history/HistoryStore.h"
#include "history/HistoryTexts.h"
#include "results/HostTable.h"
#include "results/ResultsFormat.h"

namespace HistoryTable
{

QStringList headers()
{
    return {QStringLiteral("Host Name/IP"), QStringLiteral("Min (ms)"),    QStringLiteral("Max (ms)"),
            QStringLiteral("Mean (ms)"),    QStringLiteral("Median (ms)"), QStringLiteral("95th Percentile (ms)"),
            QStringLiteral("Jitter (ms)"),  QStringLiteral("% Loss"),      QStringLiteral("Std Dev (ms)"),
            QStringLiteral("Late"),         QStringLiteral("Duplicates"),  QStringLiteral("MOS")};
}

ResultsSnapshot snapshot(const HostTable& results, const HistoryStore& store)
{
    ResultsSnapshot table;
    table.headers = headers();
    table.rows.reserve(results.rowCount());
    for (int i = 0; i < results.rowCount(); ++i) {
        const HostTable::Slot slot = results.slotAt(i);
        const HistoryStatistics s = HistoryStatistics::compute(store.outcomes(slot));
        using HistoryTexts::milliseconds;
        const bool any = s.outcomes > 0;
        table.rows.append({results.hostText(slot), milliseconds(s.minMs), milliseconds(s.maxMs), milliseconds(s.meanMs),
                           milliseconds(s.medianMs), milliseconds(s.p95Ms), milliseconds(s.jitterMs),
                           any ? ResultsFormat::failedPercent(s.answered, s.failed) : QString(),
                           milliseconds(s.stddevMs), any ? QString::number(store.lateReplies(slot)) : QString(),
                           any ? QString::number(store.duplicateReplies(slot)) : QString(),
                           HistoryTexts::score(s.mos())});
    }
    return table;
}

} // namespace HistoryTable
