#include "alerts/DependencyJudge.h"

#include <QSet>

DependencyJudge::DependencyJudge(HostTable& results, DependencyFile dependencies)
    : m_results(results), m_file(std::move(dependencies))
{
    m_results.addObserver(this);
}

DependencyJudge::~DependencyJudge()
{
    m_results.removeObserver(this);
}

void DependencyJudge::setDependencies(DependencyFile dependencies)
{
    m_file = std::move(dependencies);
    m_indexStale = true;
}

void DependencyJudge::statesChanged(std::span<const StateChange> changes)
{
    for (const StateChange& c : changes) {
        const HostState state = m_results.states().state(c.slot);
        if (state == HostState::Down && !isFailing(c.previous))
            m_wentDown.push_back(c.slot);
        if (state != HostState::Unreachable)
            m_blockedBy.remove(c.slot);
    }
}

void DependencyJudge::tableRowsRemoving(int first, int last)
{
    for (int row = first; row <= last; ++row)
        m_blockedBy.remove(m_results.slotAt(row));
}

void DependencyJudge::rebuildIndex()
{
    m_indexStale = false;
    m_slotOfHost.clear();
    const QSet<QString> named(m_file.parentsFirst().cbegin(), m_file.parentsFirst().cend());
    if (named.isEmpty())
        return;
    for (HostTable::Slot s = 0; s < m_results.slotCount(); ++s) {
        if (m_results.rowOf(s) >= 0 && m_results.isCurrent(s) && named.contains(m_results.hostText(s)))
            m_slotOfHost.insert(m_results.hostText(s), s);
    }
}

void DependencyJudge::roundEnded()
{
    if (m_wentDown.empty() && m_blockedBy.isEmpty())
        return;
    if (m_indexStale)
        rebuildIndex();
    const QSet<HostTable::Slot> wentDown(m_wentDown.cbegin(), m_wentDown.cend());
    m_wentDown.clear();
    const HostStateMachine& states = m_results.states();
    auto isDown = [&](const QString& host) {
        const HostTable::Slot s = slotOf(host);
        return s != HostTable::NoSlot && states.state(s) == HostState::Down;
    };
    // Parents first, each decision applied at once, so a child sees its parent as this round left it.
    for (const QString& host : m_file.parentsFirst()) {
        const HostTable::Slot s = slotOf(host);
        if (s == HostTable::NoSlot)
            continue;
        const HostState state = states.state(s);
        if (state == HostState::Down && wentDown.contains(s)) {
            const QString blocker = m_file.downAncestor(host, isDown);
            if (blocker.isEmpty())
                continue;
            const HostTable::Relabel r{s, HostState::Unreachable, states.sinceUs(s)};
            m_results.relabel({&r, 1});
            m_blockedBy.insert(s, blocker);
        } else if (state == HostState::Unreachable) {
            const QString blocker = m_file.downAncestor(host, isDown);
            if (!blocker.isEmpty()) {
                m_blockedBy.insert(s, blocker);
                continue;
            }
            // Its way back is up, yet it still fails: its own outage, told now.
            const HostTable::Relabel r{s, HostState::Down, states.sinceUs(s)};
            m_results.relabel({&r, 1});
        }
    }
    // Hosts the dependencies no longer name are behind nothing.
    const QList<HostTable::Slot> blocked = m_blockedBy.keys();
    for (const HostTable::Slot s : blocked) {
        if (slotOf(m_results.hostText(s)) != s) {
            const HostTable::Relabel r{s, HostState::Down, states.sinceUs(s)};
            m_results.relabel({&r, 1});
        }
    }
}
