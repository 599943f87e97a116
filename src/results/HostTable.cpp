#include "results/HostTable.h"

#include "results/HostTableObserver.h"

#include <algorithm>

namespace
{
constexpr quint64 UsPerMs = 1000;
}

HostTable::HostTable() = default;
HostTable::~HostTable() = default;

void HostTable::addObserver(HostTableObserver* observer)
{
    m_observers.push_back(observer);
}

void HostTable::removeObserver(HostTableObserver* observer)
{
    std::erase(m_observers, observer);
}

HostTable::Slot HostTable::slotOfTag(quint64 tag) const
{
    const Slot slot = slotInTag(tag);
    if (slot >= m_rowOfSlot.size() || m_rowOfSlot[slot] < 0 || m_generation[slot] != static_cast<quint32>(tag >> 32))
        return NoSlot;
    return slot;
}

namespace
{
// Room for at least n, doubling: rows arrive one at a time as well as in slices, and an exact reserve for each
// would copy every column on every row.
template <typename Column> void grow(Column& column, std::size_t n)
{
    if (column.capacity() < n)
        column.reserve(std::max(n, column.capacity() * 2));
}
} // namespace

void HostTable::reserve(std::size_t more)
{
    const std::size_t rows = m_order.size() + more;
    grow(m_order, rows);
    if (rows > m_rowOfSlot.size() + m_freeSlots.size()) {
        const std::size_t slotTotal = rows - m_freeSlots.size();
        grow(m_rowOfSlot, slotTotal);
        grow(m_generation, slotTotal);
        grow(m_hostId, slotTotal);
        grow(m_text, slotTotal);
        grow(m_target, slotTotal);
        grow(m_address, slotTotal);
        grow(m_current, slotTotal);
        grow(m_succeeded, slotTotal);
        grow(m_failed, slotTotal);
        grow(m_lastStatus, slotTotal);
        grow(m_lastRttUs, slotTotal);
        grow(m_lastTtl, slotTotal);
        grow(m_replyAddress, slotTotal);
        grow(m_rttSumUs, slotTotal);
        grow(m_rttSumMs, slotTotal);
        grow(m_lastSuccessUs, slotTotal);
        grow(m_lastFailureUs, slotTotal);
        grow(m_echoRounds, slotTotal);
        m_states.reserve(m_echoRounds.capacity()); // grown as the other columns were
    }
}

void HostTable::resizeColumns(std::size_t slotTotal)
{
    m_rowOfSlot.resize(slotTotal, -1);
    m_generation.resize(slotTotal);
    m_hostId.resize(slotTotal);
    m_text.resize(slotTotal);
    m_target.resize(slotTotal);
    m_address.resize(slotTotal);
    m_current.resize(slotTotal);
    m_succeeded.resize(slotTotal);
    m_failed.resize(slotTotal);
    m_lastStatus.resize(slotTotal);
    m_lastRttUs.resize(slotTotal);
    m_lastTtl.resize(slotTotal);
    m_replyAddress.resize(slotTotal);
    m_rttSumUs.resize(slotTotal);
    m_rttSumMs.resize(slotTotal);
    m_lastSuccessUs.resize(slotTotal);
    m_lastFailureUs.resize(slotTotal);
    m_echoRounds.resize(slotTotal);
    m_states.resize(slotTotal);
}

void HostTable::resetSlot(Slot slot, quint64 hostId, const QString& text)
{
    m_hostId[slot] = hostId;
    m_text[slot] = text;
    m_address[slot] = {};
    if (!HostAddress::isHostName(text)) {
        const std::optional<HostAddress::Target> literal = HostAddress::parseLiteral(text);
        m_target[slot] = literal ? Target::Address : Target::NoAddress;
        if (literal)
            m_address[slot] = *literal;
    } else {
        m_target[slot] = Target::Name;
    }
    m_current[slot] = 0;
    m_succeeded[slot] = 0;
    m_failed[slot] = 0;
    m_lastStatus[slot] = 0;
    m_lastRttUs[slot] = 0;
    m_lastTtl[slot] = 0;
    m_replyAddress[slot] = IpAddress();
    m_rttSumUs[slot] = 0;
    m_rttSumMs[slot] = 0;
    m_lastSuccessUs[slot] = 0;
    m_lastFailureUs[slot] = 0;
    m_echoRounds[slot] = EchoRound{};
    m_states.reset(slot);
}

void HostTable::growHostIndex(quint64 hostId)
{
    if (m_currentOfHost.empty())
        m_hostIdBase = hostId;
    if (hostId < m_hostIdBase) {
        const std::size_t more = static_cast<std::size_t>(m_hostIdBase - hostId);
        m_currentOfHost.insert(m_currentOfHost.begin(), more, NoSlot);
        m_hostIdBase = hostId;
    }
    const std::size_t at = static_cast<std::size_t>(hostId - m_hostIdBase);
    if (at >= m_currentOfHost.size()) {
        // Ids of hosts long removed leave a run of empty entries at the front; drop it when it is most of the index.
        std::size_t firstUsed = 0;
        if (at > 2 * (m_order.size() + 1024)) {
            while (firstUsed < m_currentOfHost.size() && m_currentOfHost[firstUsed] == NoSlot)
                ++firstUsed;
            m_currentOfHost.erase(m_currentOfHost.begin(), m_currentOfHost.begin() + static_cast<qsizetype>(firstUsed));
            m_hostIdBase += firstUsed;
            if (m_currentOfHost.empty())
                m_hostIdBase = hostId;
        }
        m_currentOfHost.resize(static_cast<std::size_t>(hostId - m_hostIdBase) + 1, NoSlot);
    }
}

HostTable::Slot* HostTable::hostIndexEntry(quint64 hostId)
{
    if (hostId < m_hostIdBase || hostId - m_hostIdBase >= m_currentOfHost.size())
        return nullptr;
    return &m_currentOfHost[static_cast<std::size_t>(hostId - m_hostIdBase)];
}

HostTable::Slot HostTable::currentSlotOf(quint64 hostId) const
{
    if (hostId < m_hostIdBase || hostId - m_hostIdBase >= m_currentOfHost.size())
        return NoSlot;
    return m_currentOfHost[static_cast<std::size_t>(hostId - m_hostIdBase)];
}

void HostTable::makeCurrent(Slot slot)
{
    const quint64 host = m_hostId[slot];
    growHostIndex(host);
    Slot* entry = hostIndexEntry(host);
    // Up or down belongs to the host, not to one of its rows: a fresh row (built after the list changed) goes
    // on from the last, so a host that was down is not reported down again and its recovery is reported.
    if (*entry != NoSlot) {
        m_states.copy(*entry, slot);
        m_current[*entry] = 0;
    }
    *entry = slot;
    m_current[slot] = 1;
}

void HostTable::appendRows(std::span<const HostEntry> entries, Slot* slotsOut)
{
    if (entries.empty())
        return;
    const int first = rowCount();
    const int last = first + static_cast<int>(entries.size()) - 1;
    for (HostTableObserver* o : m_observers)
        o->tableRowsAdding(first, last);
    reserve(entries.size());
    // Free slots first; the rest are new, and the columns grow for all of them at once.
    const std::size_t reused = std::min(entries.size(), m_freeSlots.size());
    Slot fresh = static_cast<Slot>(m_rowOfSlot.size());
    if (entries.size() > reused)
        resizeColumns(m_rowOfSlot.size() + (entries.size() - reused));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Slot slot = fresh;
        if (!m_freeSlots.empty()) {
            slot = m_freeSlots.back();
            m_freeSlots.pop_back();
        } else {
            ++fresh;
        }
        resetSlot(slot, entries[i].id, entries[i].text);
        m_rowOfSlot[slot] = static_cast<int>(m_order.size());
        m_order.push_back(slot);
        makeCurrent(slot);
        if (slotsOut != nullptr)
            slotsOut[i] = slot;
    }
    for (HostTableObserver* o : m_observers)
        o->tableRowsAdded(first, last);
}

HostTable::Slot HostTable::appendRow(quint64 hostId, const QString& text)
{
    Slot slot = NoSlot;
    const HostEntry entry{hostId, text};
    appendRows(std::span(&entry, 1), &slot);
    return slot;
}

void HostTable::forgetHostIndex(Slot slot)
{
    if (Slot* entry = hostIndexEntry(m_hostId[slot]); entry != nullptr && *entry == slot)
        *entry = NoSlot;
    m_current[slot] = 0;
}

void HostTable::removeRows(int first, int count)
{
    if (first < 0 || count <= 0 || first + count > rowCount())
        return;
    const int last = first + count - 1;
    for (HostTableObserver* o : m_observers)
        o->tableRowsRemoving(first, last);
    for (int row = first; row <= last; ++row) {
        const Slot slot = slotAt(row);
        forgetHostIndex(slot);
        m_rowOfSlot[slot] = -1;
        ++m_generation[slot];
        m_text[slot] = QString();
        m_freeSlots.push_back(slot);
    }
    m_order.erase(m_order.begin() + first, m_order.begin() + last + 1);
    for (std::size_t row = static_cast<std::size_t>(first); row < m_order.size(); ++row)
        m_rowOfSlot[m_order[row]] = static_cast<int>(row);
    for (HostTableObserver* o : m_observers)
        o->tableRowsRemoved(first, last);
}

void HostTable::clear()
{
    for (HostTableObserver* o : m_observers)
        o->tableClearing();
    for (Slot slot : m_order)
        ++m_generation[slot];
    m_order.clear();
    m_currentOfHost.clear();
    m_hostIdBase = 0;
    // Slots are taken again from the lowest, under their new generations.
    m_freeSlots.clear();
    for (Slot slot = static_cast<Slot>(m_rowOfSlot.size()); slot-- > 0;) {
        m_rowOfSlot[slot] = -1;
        m_current[slot] = 0;
        m_text[slot] = QString();
        m_freeSlots.push_back(slot);
    }
    for (HostTableObserver* o : m_observers)
        o->tableCleared();
}

void HostTable::hostsUnlisted(std::span<const quint64> hostIds)
{
    bool any = false;
    for (quint64 id : hostIds) {
        if (Slot* entry = hostIndexEntry(id); entry != nullptr && *entry != NoSlot) {
            m_current[*entry] = 0;
            *entry = NoSlot;
            any = true;
        }
    }
    if (!any)
        return;
    for (HostTableObserver* o : m_observers)
        o->tableRowsUnlisted();
}

void HostTable::allHostsUnlisted()
{
    if (m_currentOfHost.empty())
        return;
    for (Slot slot : m_currentOfHost) {
        if (slot != NoSlot)
            m_current[slot] = 0;
    }
    m_currentOfHost.clear();
    for (HostTableObserver* o : m_observers)
        o->tableRowsUnlisted();
}

qint64 HostTable::lastTime(qint64 before, const EchoOutcome& o)
{
    // Of several echoes a round, a failure's time is its deadline, which may come after the next echo's answer:
    // the latest of each kind is kept, so a row that counts a failure always has a time for it.
    return o.echoes > 1 ? std::max(before, o.whenUs) : o.whenUs;
}

void HostTable::echoOfRound(Slot s, const EchoOutcome& o, bool& latest, bool& step)
{
    EchoRound& r = m_echoRounds[s];
    ++r.in;
    // Answers may come out of send order (a late reply after the next echo's quick one): an earlier echo's must
    // not hide a later one's.
    latest = o.echo >= r.latest;
    if (latest)
        r.latest = static_cast<quint8>(o.echo + 1);
    // Up or down looks at rounds: any answer makes the round answered, at once; it failed once every echo did.
    step = !r.stepped && (o.answered() || r.in >= o.echoes);
    r.stepped = r.stepped || step;
    if (r.in >= o.echoes)
        r = EchoRound{}; // all in: the next echoes are another round's
}

HostTable::Applied HostTable::apply(std::span<const EchoOutcome> outcomes)
{
    Applied applied;
    m_changes.clear();
    bool allLive = true;
    bool strays = false;
    for (const EchoOutcome& o : outcomes) {
        const Slot s = slotOfTag(o.tag);
        if (s == NoSlot) {
            allLive = false; // its row went while the echo was out
            continue;
        }
        if (o.stray()) {
            strays = true; // a reply after its echo was counted: the readers count it, the row does not
            continue;
        }
        bool latest = true;
        bool step = true;
        if (o.echoes > 1)
            echoOfRound(s, o, latest, step);
        if (latest)
            m_lastStatus[s] = static_cast<quint16>(o.status);
        if (o.answered()) {
            ++applied.answered;
            ++m_succeeded[s];
            m_rttSumUs[s] += o.rttUs;
            // The table shows each round trip in whole milliseconds, and its average is the mean of those.
            m_rttSumMs[s] += o.rttUs / UsPerMs;
            if (latest) {
                m_replyAddress[s] = o.address;
                m_lastRttUs[s] = o.rttUs;
                m_lastTtl[s] = o.ttl;
            }
            m_lastSuccessUs[s] = lastTime(m_lastSuccessUs[s], o);
        } else {
            ++applied.failed;
            ++m_failed[s];
            m_lastFailureUs[s] = lastTime(m_lastFailureUs[s], o);
        }
        if (step)
            m_states.record(s, o.answered(), o.whenUs, m_changes);
    }
    std::span<const EchoOutcome> live = outcomes;
    if (!allLive || strays) {
        m_live.clear();
        m_strays.clear();
        for (const EchoOutcome& o : outcomes) {
            if (slotOfTag(o.tag) != NoSlot)
                (o.stray() ? m_strays : m_live).push_back(o);
        }
        live = m_live;
        if (!m_strays.empty()) {
            for (HostTableObserver* observer : m_observers)
                observer->straysApplied(m_strays);
        }
    }
    if (live.empty())
        return applied;
    for (HostTableObserver* observer : m_observers)
        observer->outcomesApplied(live);
    if (!m_changes.empty()) {
        for (HostTableObserver* observer : m_observers)
            observer->statesChanged(m_changes);
    }
    return applied;
}

void HostTable::relabel(std::span<const Relabel> relabels)
{
    m_changes.clear();
    for (const Relabel& r : relabels) {
        if (r.slot < m_rowOfSlot.size() && m_rowOfSlot[r.slot] >= 0)
            m_states.relabel(r.slot, r.to, r.sinceUs, m_changes);
    }
    if (m_changes.empty())
        return;
    for (HostTableObserver* observer : m_observers)
        observer->statesChanged(m_changes);
}
