#pragma once

#include <QStringList>

class HostListModel;
class HostTable;

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
} // namespace HostListSync
