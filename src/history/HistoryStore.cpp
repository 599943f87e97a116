#include "history/HistoryStore.h"

#include <algorithm>

HistoryStore::HistoryStore(HistoryLimits limits) : m_limits(limits) {}

quint32 HistoryStore::capacityFor(std::size_t slotTotal) const
{
    const qint64 n = static_cast<qint64>(std::max<std::size_t>(slotTotal, 1));
    const qint64 forOutcomes = m_limits.budgetBytes - n * HostOverheadBytes;
    if (forOutcomes <= 0)
        return 0;
    return static_cast<quint32>(std::min<qint64>(m_limits.outcomesPerHost, forOutcomes / (n * BytesPerOutcome)));
}

void HistoryStore::setSlotCount(std::size_t slotTotal)
{
    if (slotTotal <= m_slotCapacity)
        return;
    // Room for a quarter more, unless that leaves no outcome at all for each.
    std::size_t wanted = std::max(slotTotal, m_slotCapacity + m_slotCapacity / 4);
    if (capacityFor(wanted) == 0)
        wanted = slotTotal;
    layOut(wanted);
}

void HistoryStore::layOut(std::size_t slotTotal)
{
    const quint32 capacity = capacityFor(slotTotal);
    std::unique_ptr<PackedOutcome[]> slab(capacity > 0 ? new PackedOutcome[slotTotal * capacity] : nullptr);
    std::vector<Header> headers(slotTotal);
    for (Slot slot = 0; slot < m_headers.size(); ++slot) {
        const Header& old = m_headers[slot];
        const quint32 keep = std::min(old.size, capacity);
        const quint32 drop = old.size - keep;
        Header& h = headers[slot];
        h.size = keep;
        h.lastGivenMs = old.lastGivenMs;
        h.newestMs = old.newestMs;
        h.oldestMs = old.oldestMs;
        for (quint32 i = 1; i <= drop && i < old.size; ++i)
            h.oldestMs += nth(slot, i).gapMs;
        for (quint32 i = 0; i < keep; ++i)
            slab[std::size_t(i) * slotTotal + slot] = nth(slot, drop + i);
        if (keep == 0)
            h = Header();
    }
    m_slab = std::move(slab);
    m_headers = std::move(headers);
    m_slotCapacity = slotTotal;
    m_capacity = capacity;
}

void HistoryStore::record(Slot slot, const Outcome& outcome)
{
    if (slot >= m_slotCapacity)
        setSlotCount(std::size_t(slot) + 1);
    if (m_capacity == 0)
        return;
    Header& h = m_headers[slot];
    // Measured from the time the previous outcome came with, so that after a clamped step the outcomes that
    // follow keep their true spacing.
    const qint64 gap = h.size == 0 ? 0 : outcome.timeMs - h.lastGivenMs;
    h.lastGivenMs = outcome.timeMs;
    const quint32 gapMs = static_cast<quint32>(std::clamp<qint64>(gap, 0, std::numeric_limits<quint32>::max()));
    if (h.size == m_capacity) {
        // The second oldest becomes the oldest: its time is the old oldest's plus its gap.
        h.start = (h.start + 1) % m_capacity;
        --h.size;
        if (h.size > 0)
            h.oldestMs += at(slot, h.start).gapMs;
    }
    if (h.size == 0)
        h.oldestMs = outcome.timeMs;
    h.newestMs = h.size == 0 ? outcome.timeMs : h.newestMs + gapMs;
    at(slot, (h.start + h.size) % m_capacity) = PackedOutcome::pack(outcome, gapMs);
    ++h.size;
}

void HistoryStore::forget(Slot slot)
{
    if (slot < m_headers.size())
        m_headers[slot] = Header();
    if (slot < m_strays.size())
        m_strays[slot] = StrayCounts();
}

void HistoryStore::clear()
{
    m_slab.reset();
    m_headers.clear();
    m_strays.clear();
    m_slotCapacity = 0;
    m_capacity = 0;
}

QList<Outcome> HistoryStore::outcomes(Slot slot, qint64 sinceMs) const
{
    QList<Outcome> out;
    const quint32 size = static_cast<quint32>(this->size(slot));
    if (size == 0 || m_headers[slot].newestMs < sinceMs)
        return out;
    // Walk back from the newest to find the first one inside, then forward to unpack.
    quint32 first = size - 1;
    qint64 firstMs = m_headers[slot].newestMs;
    while (first > 0 && firstMs - nth(slot, first).gapMs >= sinceMs) {
        firstMs -= nth(slot, first).gapMs;
        --first;
    }
    out.reserve(size - first);
    qint64 t = firstMs;
    for (quint32 i = first; i < size; ++i) {
        if (i > first)
            t += nth(slot, i).gapMs;
        out.append(nth(slot, i).unpack(t));
    }
    return out;
}

Outcome HistoryStore::newest(Slot slot) const
{
    return nth(slot, m_headers[slot].size - 1).unpack(m_headers[slot].newestMs);
}

qint64 HistoryStore::storedOutcomes() const
{
    qint64 n = 0;
    for (const Header& h : m_headers)
        n += h.size;
    return n;
}

qint64 HistoryStore::memoryBytes() const
{
    return static_cast<qint64>(m_slotCapacity) * (qint64(m_capacity) * BytesPerOutcome + HostOverheadBytes);
}

void HistoryStore::recordLate(Slot slot)
{
    if (slot >= m_strays.size())
        m_strays.resize(std::max<std::size_t>(slot + 1, m_headers.size()));
    ++m_strays[slot].late;
}

void HistoryStore::recordDuplicate(Slot slot)
{
    if (slot >= m_strays.size())
        m_strays.resize(std::max<std::size_t>(slot + 1, m_headers.size()));
    ++m_strays[slot].duplicates;
}
