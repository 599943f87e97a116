#pragma once

#include "alerts/DependencyFile.h"
#include "results/HostTable.h"
#include "results/HostTableObserver.h"

#include <QHash>
#include <vector>

// Keeps a router's outage from raising one alarm per host behind it. As a round ends, a host that went down
// in it while a host it sits behind is down becomes unreachable instead, parents judged before their
// children; an unreachable host whose way back is up again, but which still fails, becomes down then. Hosts
// the dependencies do not name are left alone.
class DependencyJudge : private HostTableObserver
{
public:
    DependencyJudge(HostTable& results, DependencyFile dependencies);
    ~DependencyJudge() override;

    // The new dependencies apply from the next round on.
    void setDependencies(DependencyFile dependencies);
    const DependencyFile& dependencies() const { return m_file; }
    void roundEnded();
    // The down host an unreachable one sits behind; empty for others.
    QString blockedBy(HostTable::Slot slot) const { return m_blockedBy.value(slot); }

private:
    void tableRowsAdded(int, int) override { m_indexStale = true; }
    void tableRowsRemoving(int first, int last) override;
    void tableRowsRemoved(int, int) override { m_indexStale = true; }
    void tableCleared() override
    {
        m_indexStale = true;
        m_blockedBy.clear();
        m_wentDown.clear();
    }
    void tableRowsUnlisted() override { m_indexStale = true; }
    void statesChanged(std::span<const StateChange> changes) override;
    void rebuildIndex();
    HostTable::Slot slotOf(const QString& host) const { return m_slotOfHost.value(host, HostTable::NoSlot); }

    HostTable& m_results;
    DependencyFile m_file;
    QHash<QString, HostTable::Slot> m_slotOfHost; // the current row of each host the file names
    bool m_indexStale = true;
    std::vector<HostTable::Slot> m_wentDown; // this round
    QHash<HostTable::Slot, QString> m_blockedBy;
};
