#pragma once

#include <QStringList>
#include <functional>
#include <vector>

class HostListModel;
class HostTable;
struct HostEntry;

// Brings a running host list in line with a fresh reading of its list files, matching entries by their text:
// an entry that stays keeps its results row and statistics, a new one is appended (its row comes with its first
// round), and one that is gone leaves the list together with its row. A text listed n times matches the first
// n entries of that text.
namespace HostListSync
{
struct Change {
    int kept = 0;
    int added = 0;
    int removed = 0;
};
Change apply(HostListModel& hosts, HostTable& results, const QStringList& entries);
// The same with entries matched by a key rather than their text alone (a target group's and the text, so that
// a host moved to a group of other settings is another target): keys[i] is that of entries[i], keyOf gives a
// listed entry's (empty: it stays in no case). The entries appended came from these indexes of entries.
Change apply(HostListModel& hosts, HostTable& results, const QStringList& entries, const QStringList& keys,
             const std::function<QString(const HostEntry&)>& keyOf, std::vector<int>* addedFrom = nullptr);
} // namespace HostListSync
