#include "history/OutcomeRing.h"

#include <algorithm>

namespace
{
constexpr quint32 StatusBase = 11000;
constexpr quint32 OtherFailure = 255;
} // namespace

OutcomeRing::OutcomeRing(int capacity)
{
    setCapacity(capacity);
}

OutcomeRing::Slot OutcomeRing::pack(const Outcome& outcome, quint32 gapMs)
{
    Slot s{};
    s.gapMs = gapMs;
    if (outcome.answered()) {
        s.rttTenths = static_cast<quint16>(std::min(outcome.rttTenths, MaxRttTenths));
        s.ttl = outcome.ttl;
        s.status = 0;
    } else {
        const bool known = outcome.status > StatusBase && outcome.status < StatusBase + OtherFailure;
        s.status = static_cast<quint8>(known ? outcome.status - StatusBase : OtherFailure);
    }
    return s;
}

Outcome OutcomeRing::unpack(const Slot& s, qint64 timeMs)
{
    Outcome o;
    o.timeMs = timeMs;
    if (s.status == 0) {
        o.rttTenths = s.rttTenths;
        o.ttl = s.ttl;
    } else {
        o.status = s.status == OtherFailure ? Outcome::GeneralFailure : StatusBase + s.status;
    }
    return o;
}

void OutcomeRing::append(const Outcome& outcome)
{
    if (m_capacity == 0)
        return;
    // Measured from the time the previous outcome came with, so that after a clamped step the outcomes
    // that follow keep their true spacing.
    const qint64 gap = m_size == 0 ? 0 : outcome.timeMs - m_lastGivenMs;
    m_lastGivenMs = outcome.timeMs;
    const quint32 gapMs = static_cast<quint32>(std::clamp<qint64>(gap, 0, std::numeric_limits<quint32>::max()));
    if (m_size == m_capacity) {
        // The second oldest becomes the oldest: its time is the old oldest's plus its gap.
        m_start = (m_start + 1) % m_capacity;
        --m_size;
        if (m_size > 0)
            m_oldestMs += m_slots[m_start].gapMs;
    }
    if (m_size == 0)
        m_oldestMs = outcome.timeMs;
    m_newestMs = m_size == 0 ? outcome.timeMs : m_newestMs + gapMs;
    m_slots[(m_start + m_size) % m_capacity] = pack(outcome, gapMs);
    ++m_size;
}

void OutcomeRing::setCapacity(int capacity)
{
    const quint32 wanted = static_cast<quint32>(std::max(capacity, 0));
    if (wanted == m_capacity)
        return;
    const quint32 keep = std::min(m_size, wanted);
    const quint32 drop = m_size - keep;
    std::unique_ptr<Slot[]> fresh(wanted > 0 ? new Slot[wanted] : nullptr);
    for (quint32 i = 0; i < keep; ++i)
        fresh[i] = slot(drop + i);
    for (quint32 i = 1; i <= drop && i < m_size; ++i)
        m_oldestMs += slot(i).gapMs;
    m_slots = std::move(fresh);
    m_capacity = wanted;
    m_start = 0;
    m_size = keep;
    if (m_size == 0)
        m_oldestMs = m_newestMs = 0;
}

void OutcomeRing::clear()
{
    m_start = 0;
    m_size = 0;
    m_oldestMs = m_newestMs = 0;
}

QList<Outcome> OutcomeRing::outcomes(qint64 sinceMs) const
{
    QList<Outcome> out;
    if (m_size == 0 || m_newestMs < sinceMs)
        return out;
    // Walk back from the newest to find the first one inside, then forward to unpack.
    quint32 first = m_size - 1;
    qint64 firstMs = m_newestMs;
    while (first > 0 && firstMs - slot(first).gapMs >= sinceMs) {
        firstMs -= slot(first).gapMs;
        --first;
    }
    out.reserve(m_size - first);
    qint64 t = firstMs;
    for (quint32 i = first; i < m_size; ++i) {
        if (i > first)
            t += slot(i).gapMs;
        out.append(unpack(slot(i), t));
    }
    return out;
}
