#pragma once

#include "core/HostListModel.h"
#include "ping/EchoOutcome.h"
#include "ping/HostAddress.h"
#include "results/HostStateMachine.h"

#include <QString>
#include <span>
#include <vector>

class HostTableObserver;

// Every results row's data in flat columns, indexed by a slot that stays with the row for its life. Rows are
// shown in the order they were added (the table's order); a removed row's slot is used again by a later row,
// under a new generation, so an outcome asked for by the old row can never land in the new one.
//
// One writer: apply() takes a batch of outcomes, updates the columns and the states, then hands the batch to
// every observer (history, metrics, the Qt model). Nothing in it allocates per outcome: numbers stay numbers,
// times are epoch microseconds, and text is made by whoever shows a cell.
//
// Which rows stand for the host list now: the newest row of each host still in the list (isCurrent). The
// older rows of a host (kept when fresh rows were built) and the rows of removed hosts do not.
class HostTable
{
public:
    using Slot = quint32;
    static constexpr Slot NoSlot = 0xFFFFFFFFu;
    // How an entry's text is pinged, worked out once when its row is made.
    enum class Target : quint8 { Name, Address, NoAddress };

    HostTable();
    ~HostTable();
    HostTable(const HostTable&) = delete;
    HostTable& operator=(const HostTable&) = delete;

    void addObserver(HostTableObserver* observer);
    void removeObserver(HostTableObserver* observer);

    int rowCount() const { return static_cast<int>(m_order.size()); }
    Slot slotAt(int row) const { return m_order[static_cast<std::size_t>(row)]; }
    // -1 when the slot holds no row.
    int rowOf(Slot slot) const { return slot < m_rowOfSlot.size() ? m_rowOfSlot[slot] : -1; }
    // One past the highest slot in use, the size of every column.
    std::size_t slotCount() const { return m_rowOfSlot.size(); }

    // What an echo for this row carries, and the row it names; NoSlot when that row is gone.
    quint64 tagOf(Slot slot) const { return quint64(m_generation[slot]) << 32 | slot; }
    Slot slotOfTag(quint64 tag) const;
    // The slot a tag names, for readers handed outcomes the table has checked already.
    static Slot slotInTag(quint64 tag) { return static_cast<Slot>(tag & 0xFFFFFFFFu); }

    // Room for this many more rows, so that adding them does not grow the columns step by step.
    void reserve(std::size_t more);
    // Appends a row for each entry, in order, as one addition; each becomes its host's current row. The slots
    // go to slotsOut (as many as entries) when given.
    void appendRows(std::span<const HostEntry> entries, Slot* slotsOut = nullptr);
    Slot appendRow(quint64 hostId, const QString& text);
    void removeRows(int first, int count);
    void clear();
    // These hosts left the list: their rows stop standing for it.
    void hostsUnlisted(std::span<const quint64> hostIds);
    void allHostsUnlisted();

    // The host's current row; NoSlot when it has none.
    Slot currentSlotOf(quint64 hostId) const;
    bool isCurrent(Slot slot) const { return m_current[slot] != 0; }

    // The row is asked for its round of echoes: those of the round before that were never all answered (the
    // round was switched off) count no further towards this one. Per row, since the rounds of target groups
    // with their own intervals overlap.
    void beginRound(Slot s) { m_echoRounds[s] = EchoRound{}; }
    // The one writer. Outcomes of rows no longer in the table are dropped; the others are counted, except the
    // stray replies (late, duplicate), which only the readers hear of. Of a round of
    // several echoes to a host, each counts, the last sent that is in sets the last status, round trip, TTL and
    // reply address, the last times are the latest of their kind, and the round steps the state once: answered
    // at its first answer, failed when all its echoes failed.
    struct Applied {
        int answered = 0;
        int failed = 0;
    };
    Applied apply(std::span<const EchoOutcome> outcomes);

    HostStateMachine& states() { return m_states; }
    const HostStateMachine& states() const { return m_states; }
    void setStateThresholds(const StateThresholds& thresholds) { m_states.setThresholds(thresholds); }
    // The rules above the table decided, as a round ends, that rows move between states of the same kind
    // (degraded, unreachable); the readers hear of it as of any state change.
    struct Relabel {
        Slot slot;
        HostState to;
        qint64 sinceUs;
    };
    void relabel(std::span<const Relabel> relabels);

    // The columns.
    quint64 hostId(Slot s) const { return m_hostId[s]; }
    const QString& hostText(Slot s) const { return m_text[s]; }
    Target target(Slot s) const { return m_target[s]; }
    // An address row's own address; for a name, the address it was last looked up to (none before).
    const HostAddress::Target& address(Slot s) const { return m_address[s]; }
    // A name row's lookup came back with this address; other rows keep theirs. True when the name moved: it
    // had been looked up to another address before.
    bool setLookedUp(Slot s, const HostAddress::Target& address)
    {
        if (m_target[s] != Target::Name)
            return false;
        const bool moved = !m_address[s].address.isNull() && !(m_address[s].address == address.address);
        m_address[s] = address;
        return moved;
    }
    // Both counts show once the first outcome is in.
    bool counted(Slot s) const { return m_succeeded[s] + m_failed[s] > 0; }
    quint64 succeeded(Slot s) const { return m_succeeded[s]; }
    quint64 failed(Slot s) const { return m_failed[s]; }
    // Only once counted.
    EchoStatus lastStatus(Slot s) const { return static_cast<EchoStatus>(m_lastStatus[s]); }
    // Only once succeeded.
    quint32 lastRttUs(Slot s) const { return m_lastRttUs[s]; }
    quint8 lastTtl(Slot s) const { return m_lastTtl[s]; }
    const IpAddress& replyAddress(Slot s) const { return m_replyAddress[s]; }
    // Every answer's round trip, in microseconds, and in the whole milliseconds the table shows for each.
    quint64 rttSumUs(Slot s) const { return m_rttSumUs[s]; }
    quint64 rttSumMs(Slot s) const { return m_rttSumMs[s]; }
    // Epoch microseconds; 0 while there is none.
    qint64 lastSuccessUs(Slot s) const { return m_lastSuccessUs[s]; }
    qint64 lastFailureUs(Slot s) const { return m_lastFailureUs[s]; }

private:
    void resizeColumns(std::size_t slotTotal);
    void resetSlot(Slot slot, quint64 hostId, const QString& text);
    void makeCurrent(Slot slot);
    void forgetHostIndex(Slot slot);
    Slot* hostIndexEntry(quint64 hostId);
    void growHostIndex(quint64 hostId);
    // Takes one of several echoes of a round: whether it is the latest sent so far, and whether the round now
    // steps the state.
    void echoOfRound(Slot s, const EchoOutcome& o, bool& latest, bool& step);
    static qint64 lastTime(qint64 before, const EchoOutcome& o);

    std::vector<HostTableObserver*> m_observers;

    std::vector<Slot> m_order;    // the slot of each row, in table order
    std::vector<int> m_rowOfSlot; // -1 for a free slot
    std::vector<quint32> m_generation;
    std::vector<Slot> m_freeSlots;

    // The current row of each host by host id, offset by the lowest id it covers: ids rise as hosts are added,
    // so this stays about as long as the list, and a lookup is an index rather than a hash.
    std::vector<Slot> m_currentOfHost;
    quint64 m_hostIdBase = 0;

    std::vector<quint64> m_hostId;
    std::vector<QString> m_text; // shares the host list entry's text
    std::vector<Target> m_target;
    std::vector<HostAddress::Target> m_address;
    std::vector<quint8> m_current;
    std::vector<quint64> m_succeeded;
    std::vector<quint64> m_failed;
    std::vector<quint16> m_lastStatus;
    std::vector<quint32> m_lastRttUs;
    std::vector<quint8> m_lastTtl;
    std::vector<IpAddress> m_replyAddress;
    std::vector<quint64> m_rttSumUs;
    std::vector<quint64> m_rttSumMs;
    std::vector<qint64> m_lastSuccessUs;
    std::vector<qint64> m_lastFailureUs;
    HostStateMachine m_states;
    // Where the current round of several echoes to each row stands.
    struct EchoRound {
        quint8 in = 0;     // outcomes in
        quint8 latest = 0; // one past the latest echo in, in send order; 0: none yet
        bool stepped = false;
    };
    std::vector<EchoRound> m_echoRounds;

    // Reused for every batch: the outcomes of live rows when some were dropped, and the state changes.
    std::vector<EchoOutcome> m_live;
    std::vector<EchoOutcome> m_strays;
    std::vector<StateChange> m_changes;
};
