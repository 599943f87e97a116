#include "metrics/HostCounterTable.h"

#include "core/ResultsModel.h"

HostCounterTable::HostCounterTable(const ResultsModel& results, QObject* parent)
    : QObject(parent), m_results(results), m_rows(static_cast<std::size_t>(results.count()))
{
    connect(&results, &ResultsModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        m_rows.insert(m_rows.begin() + first, static_cast<std::size_t>(last - first + 1), HostCounters{});
    });
    connect(&results, &ResultsModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
    });
    connect(&results, &ResultsModel::modelReset, this,
            [this] { m_rows.assign(static_cast<std::size_t>(m_results.count()), HostCounters{}); });
    connect(&results, &ResultsModel::outcomeRecorded, this,
            [this](int row, quint64, bool success) { outcomeRecorded(row, success); });
}

void HostCounterTable::outcomeRecorded(int row, bool success)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return;
    const ResultRow& r = m_results.row(row);
    if (success)
        m_rows[static_cast<std::size_t>(row)].addSuccess(r.lastRtt.value_or(0), r.lastSucceedOn);
    else
        m_rows[static_cast<std::size_t>(row)].addFailure(r.lastStatus.value_or(0));
}
