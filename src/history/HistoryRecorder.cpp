#include "history/HistoryRecorder.h"

#include "history/HistoryStore.h"
#include "results/HostTable.h"

HistoryRecorder::HistoryRecorder(HostTable& results, HistoryStore& store, QObject* parent)
    : QObject(parent), m_results(results), m_store(store)
{
    m_store.setSlotCount(m_results.slotCount());
    m_results.addObserver(this);
}

HistoryRecorder::~HistoryRecorder()
{
    m_results.removeObserver(this);
}

void HistoryRecorder::tableRowsAdded(int, int)
{
    m_store.setSlotCount(m_results.slotCount());
}

void HistoryRecorder::tableRowsRemoving(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        const HostTable::Slot slot = m_results.slotAt(row);
        m_store.forget(slot);
        Q_EMIT forgotten(m_results.tagOf(slot));
    }
}

void HistoryRecorder::tableClearing()
{
    m_store.clear();
    Q_EMIT cleared();
}

void HistoryRecorder::outcomesApplied(std::span<const EchoOutcome> outcomes)
{
    for (const EchoOutcome& o : outcomes) {
        Outcome outcome;
        outcome.timeMs = o.whenUs / 1000;
        outcome.status = static_cast<quint32>(o.status);
        if (o.answered()) {
            outcome.rttUs = o.rttUs;
            outcome.ttl = o.ttl;
        } else if (outcome.status == 0) {
            outcome.status = Outcome::GeneralFailure; // a failure always has a code; keep it from reading as an answer
        }
        m_store.record(HostTable::slotInTag(o.tag), outcome);
    }
    Q_EMIT recorded();
}

void HistoryRecorder::straysApplied(std::span<const EchoOutcome> strays)
{
    for (const EchoOutcome& o : strays) {
        if (o.kind == EchoOutcome::Kind::Late)
            m_store.recordLate(HostTable::slotInTag(o.tag));
        else
            m_store.recordDuplicate(HostTable::slotInTag(o.tag));
    }
    Q_EMIT recorded();
}
