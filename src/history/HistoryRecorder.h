#pragma once

#include <QObject>

class HistoryStore;
class ResultsModel;

// Feeds every outcome of the results table into the history store, and drops a row's history when the row
// is deleted or the results are cleared. Tells the parts that show a row's history when it changed.
class HistoryRecorder : public QObject
{
    Q_OBJECT
public:
    HistoryRecorder(ResultsModel& results, HistoryStore& store, QObject* parent = nullptr);

    const ResultsModel& results() const { return m_results; }
    const HistoryStore& store() const { return m_store; }

Q_SIGNALS:
    void recorded(quint64 rowId);
    // The row left the table (its history is gone).
    void forgotten(quint64 rowId);
    // Every row left the table.
    void cleared();

private:
    void record(int row, quint64 rowId, bool success);

    ResultsModel& m_results;
    HistoryStore& m_store;
};
