#include "core/CurrentRows.h"

#include "core/HostListModel.h"
#include "core/ResultsModel.h"

CurrentRows::CurrentRows(const HostListModel& hosts, const ResultsModel& results) : m_hosts(hosts), m_results(results)
{
    const QList<HostEntry> entries = hosts.entries();
    if (entries.isEmpty())
        return;
    m_firstId = entries.first().id;
    const quint64 span = entries.last().id - m_firstId + 1;
    m_bitsFit = span <= 64 * static_cast<quint64>(entries.size()) + 1024;
    if (!m_bitsFit)
        return;
    m_listed.resize(span);
    for (const HostEntry& entry : entries)
        m_listed[entry.id - m_firstId] = true;
}

bool CurrentRows::listed(quint64 hostId) const
{
    if (!m_bitsFit)
        return m_hosts.contains(hostId);
    return hostId >= m_firstId && hostId - m_firstId < m_listed.size() && m_listed[hostId - m_firstId];
}

bool CurrentRows::contains(int row) const
{
    const ResultRow& r = m_results.row(row);
    return listed(r.hostId) && m_results.rowIdForHost(r.hostId) == r.rowId;
}
