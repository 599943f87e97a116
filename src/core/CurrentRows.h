#pragma once

#include <QtGlobal>
#include <vector>

class HostListModel;
class ResultsModel;

// The rows of the results table that stand for the host list as it is now: the newest row of each listed
// host. A host's older rows (kept when fresh rows were built) and the rows of removed hosts are not among
// them. Taken once for a pass over the whole table.
class CurrentRows
{
public:
    CurrentRows(const HostListModel& hosts, const ResultsModel& results);
    bool contains(int row) const;

private:
    bool listed(quint64 hostId) const;

    const HostListModel& m_hosts;
    const ResultsModel& m_results;
    // Whether a host id is in the list, one bit per id: ids rise as hosts are added, so the span is small, and
    // a bit costs far less than a binary search of the list for every row. Empty when the span is too wide.
    std::vector<bool> m_listed;
    quint64 m_firstId = 0;
    bool m_bitsFit = true;
};
