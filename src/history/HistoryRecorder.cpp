#include "history/HistoryRecorder.h"

#include "core/ResultsModel.h"
#include "history/HistoryStore.h"

HistoryRecorder::HistoryRecorder(ResultsModel& results, HistoryStore& store, QObject* parent)
    : QObject(parent), m_results(results), m_store(store)
{
    m_store.setHostCount(m_results.count());
    connect(&m_results, &ResultsModel::outcomeRecorded, this, &HistoryRecorder::record);
    connect(&m_results, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                for (int i = first; i <= last; ++i) {
                    const quint64 rowId = m_results.row(i).rowId;
                    m_store.remove(rowId);
                    Q_EMIT forgotten(rowId);
                }
            });
    connect(&m_results, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_store.clear();
        Q_EMIT cleared();
    });
    auto count = [this] { m_store.setHostCount(m_results.count()); };
    connect(&m_results, &QAbstractItemModel::rowsInserted, this, count);
    connect(&m_results, &QAbstractItemModel::rowsRemoved, this, count);
    connect(&m_results, &QAbstractItemModel::modelReset, this, count);
}

void HistoryRecorder::record(int row, quint64 rowId, bool success)
{
    const ResultRow& r = m_results.row(row);
    Outcome o;
    if (success) {
        o.timeMs = r.lastSucceedOn.toMSecsSinceEpoch();
        o.rttTenths = r.lastRtt.value_or(0) * 10;
        o.ttl = r.lastTtl.value_or(0);
    } else {
        o.timeMs = r.lastFailedOn.toMSecsSinceEpoch();
        o.status = r.lastStatus.value_or(Outcome::GeneralFailure);
        if (o.status == 0) // a failure always has a code; keep it from reading as an answer
            o.status = Outcome::GeneralFailure;
    }
    m_store.record(rowId, o);
    Q_EMIT recorded(rowId);
}
