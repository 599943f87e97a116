#pragma once

#include "history/HistoryLimits.h"
#include "history/PackedOutcome.h"

#include <QList>
#include <limits>
#include <memory>
#include <vector>

// The newest outcomes of every results row in one slab, within the memory budget.
//
// 1. Every slot keeps a ring of the same capacity,
//        min(outcomes per host, (budget - slots x header) / (slots x 8 bytes)),
//    where slots is what the slab is laid out for: at least the table's slots, grown a quarter at a time so
//    that a growing table does not lay it out again for every new row.
// 2. The slab is laid out by position, then slot: the n-th outcome of every ring lies in one stripe. A round's
//    outcomes arrive in slot order and land side by side, and only the stripes written take memory.
// 3. Laying it out again for more slots keeps each ring's newest outcomes that fit.
// Times go in as gaps from the outcome before; a clock that steps back gives a gap of 0 (later outcomes keep
// their spacing, shifted by the step).
class HistoryStore
{
public:
    using Slot = quint32;
    static constexpr qint64 BytesPerOutcome = sizeof(PackedOutcome);
    // A ring's place and times, per slot, as the budget counts them.
    static constexpr qint64 HostOverheadBytes = 32;

    explicit HistoryStore(HistoryLimits limits = {});

    const HistoryLimits& limits() const { return m_limits; }
    // The slots the table uses now, for each ring's share of the budget.
    void setSlotCount(std::size_t slotTotal);
    int capacityPerHost() const { return static_cast<int>(m_capacity); }

    void record(Slot slot, const Outcome& outcome);
    // A reply that came after its echo was settled, late or a second one. Counted since the row began, not
    // kept with the outcomes (the echo's own outcome is), and outside the budget: 8 bytes a row once one had one.
    void recordLate(Slot slot);
    void recordDuplicate(Slot slot);
    quint32 lateReplies(Slot slot) const { return slot < m_strays.size() ? m_strays[slot].late : 0; }
    quint32 duplicateReplies(Slot slot) const { return slot < m_strays.size() ? m_strays[slot].duplicates : 0; }
    // The slot's row left the table.
    void forget(Slot slot);
    void clear();

    int size(Slot slot) const { return slot < m_headers.size() ? static_cast<int>(m_headers[slot].size) : 0; }
    bool isEmpty(Slot slot) const { return size(slot) == 0; }
    // Oldest first; only those at or after sinceMs.
    QList<Outcome> outcomes(Slot slot, qint64 sinceMs = std::numeric_limits<qint64>::min()) const;
    // Only while not empty.
    Outcome newest(Slot slot) const;
    qint64 oldestTimeMs(Slot slot) const { return slot < m_headers.size() ? m_headers[slot].oldestMs : 0; }
    qint64 newestTimeMs(Slot slot) const { return slot < m_headers.size() ? m_headers[slot].newestMs : 0; }

    qint64 storedOutcomes() const;
    // The budget's view of the memory in use: the slab and the slots' headers.
    qint64 memoryBytes() const;

private:
    struct Header {
        quint32 start = 0; // position of the oldest outcome
        quint32 size = 0;
        qint64 oldestMs = 0;
        qint64 newestMs = 0;
        qint64 lastGivenMs = 0; // the newest outcome's time before any clamping
    };
    static_assert(sizeof(Header) == HostOverheadBytes);

    quint32 capacityFor(std::size_t slotTotal) const;
    void layOut(std::size_t slotTotal);
    PackedOutcome& at(Slot slot, quint32 position) { return m_slab[std::size_t(position) * m_slotCapacity + slot]; }
    const PackedOutcome& at(Slot slot, quint32 position) const
    {
        return m_slab[std::size_t(position) * m_slotCapacity + slot];
    }
    // The i-th outcome of the slot's ring, oldest first.
    const PackedOutcome& nth(Slot slot, quint32 i) const { return at(slot, (m_headers[slot].start + i) % m_capacity); }

    HistoryLimits m_limits;
    std::unique_ptr<PackedOutcome[]> m_slab; // left uninitialised: pages are taken as they are written
    std::size_t m_slotCapacity = 0;
    quint32 m_capacity = 0;
    std::vector<Header> m_headers;
    struct StrayCounts {
        quint32 late = 0;
        quint32 duplicates = 0;
    };
    std::vector<StrayCounts> m_strays; // only as far as the highest slot that had one
};
