#pragma once

#include "metrics/HostCounters.h"

#include <QObject>
#include <vector>

class ResultsModel;

// Per-row counters that follow the results table: a row added gets fresh counters, a row removed takes its
// counters along, and every recorded outcome is counted in its row's counters.
class HostCounterTable : public QObject
{
    Q_OBJECT
public:
    explicit HostCounterTable(const ResultsModel& results, QObject* parent = nullptr);

    // Aligned with the results table's rows.
    const std::vector<HostCounters>& rows() const { return m_rows; }

private:
    void outcomeRecorded(int row, bool success);

    const ResultsModel& m_results;
    std::vector<HostCounters> m_rows;
};
