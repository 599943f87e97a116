#pragma once

#include "history/Outcome.h"

#include <QList>
#include <limits>
#include <memory>

// The newest outcomes of one host in 8 bytes each: the gap to the previous outcome in milliseconds, the
// round-trip time in 0.1 ms (16 bits), the TTL and a status byte. Once full, each new outcome replaces the
// oldest. Lossy on purpose: round-trip times past 6553.5 ms are kept as 6553.5 ms, status codes outside
// 11001..11254 come back as "General failure", gaps past 49 days as 49 days, and a clock that steps back
// gives a gap of 0 (later outcomes keep their spacing, shifted by the step).
class OutcomeRing
{
public:
    static constexpr quint32 MaxRttTenths = std::numeric_limits<quint16>::max();
    static constexpr qint64 BytesPerOutcome = 8;

    explicit OutcomeRing(int capacity = 0);

    int capacity() const { return static_cast<int>(m_capacity); }
    int size() const { return static_cast<int>(m_size); }
    bool isEmpty() const { return m_size == 0; }
    qint64 slotBytes() const { return qint64(m_capacity) * BytesPerOutcome; }

    // Nothing is kept while the capacity is 0.
    void append(const Outcome& outcome);
    // Keeps the newest outcomes that fit.
    void setCapacity(int capacity);
    // Forgets every outcome; the capacity stays.
    void clear();

    // Oldest first; only those at or after sinceMs.
    QList<Outcome> outcomes(qint64 sinceMs = std::numeric_limits<qint64>::min()) const;
    // Only while not empty.
    Outcome newest() const { return unpack(slot(m_size - 1), m_newestMs); }
    qint64 oldestTimeMs() const { return m_oldestMs; }
    qint64 newestTimeMs() const { return m_newestMs; }

private:
    struct Slot {
        quint32 gapMs; // since the outcome before; unused for the oldest
        quint16 rttTenths;
        quint8 ttl;
        quint8 status; // 0 answered, 1..254 the code less 11000, 255 any other failure
    };
    static_assert(sizeof(Slot) == BytesPerOutcome);

    const Slot& slot(quint32 i) const { return m_slots[(m_start + i) % m_capacity]; }
    static Slot pack(const Outcome& outcome, quint32 gapMs);
    static Outcome unpack(const Slot& s, qint64 timeMs);

    std::unique_ptr<Slot[]> m_slots;
    qint64 m_oldestMs = 0;
    qint64 m_newestMs = 0;
    qint64 m_lastGivenMs = 0; // the newest outcome's time before any clamping
    quint32 m_capacity = 0;
    quint32 m_start = 0; // slot of the oldest outcome
    quint32 m_size = 0;
};
