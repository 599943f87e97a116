#pragma once

#include "results/HostTableObserver.h"

#include <QObject>

class HistoryStore;
class HostTable;

// Feeds every outcome the results take into the history store, and drops a row's history when the row is
// deleted or the results are cleared. Tells the parts that show a row's history when it changed.
class HistoryRecorder : public QObject, private HostTableObserver
{
    Q_OBJECT
public:
    HistoryRecorder(HostTable& results, HistoryStore& store, QObject* parent = nullptr);
    ~HistoryRecorder() override;

    const HostTable& results() const { return m_results; }
    const HistoryStore& store() const { return m_store; }

Q_SIGNALS:
    // After a batch of outcomes went into the history.
    void recorded();
    // The row with this tag left the table (its history is gone).
    void forgotten(quint64 tag);
    // Every row left the table.
    void cleared();

private:
    void tableRowsAdded(int first, int last) override;
    void tableRowsRemoving(int first, int last) override;
    void tableClearing() override;
    void outcomesApplied(std::span<const EchoOutcome> outcomes) override;
    void straysApplied(std::span<const EchoOutcome> strays) override;

    HostTable& m_results;
    HistoryStore& m_store;
};
