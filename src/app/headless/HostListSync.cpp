#include "app/headless/HostListSync.h"

#include "core/HostListModel.h"
#include "results/HostTable.h"

#include <QHash>
#include <algorithm>
#include <vector>

namespace
{

// The rows at these indexes, in runs of neighbours from the end.
void removeRows(HostTable& results, std::vector<int>& rows)
{
    std::sort(rows.begin(), rows.end());
    while (!rows.empty()) {
        std::size_t first = rows.size() - 1;
        while (first > 0 && rows[first - 1] + 1 == rows[first])
            --first;
        results.removeRows(rows[first], static_cast<int>(rows.size() - first));
        rows.resize(first);
    }
}

} // namespace

namespace HostListSync
{

Change apply(HostListModel& hosts, HostTable& results, const QStringList& entries)
{
    return apply(hosts, results, entries, entries, [](const HostEntry& entry) { return entry.text; });
}

Change apply(HostListModel& hosts, HostTable& results, const QStringList& entries, const QStringList& keys,
             const std::function<QString(const HostEntry&)>& keyOf, std::vector<int>* addedFrom)
{
    QHash<QString, int> wanted;
    wanted.reserve(keys.size());
    for (const QString& key : keys)
        ++wanted[key];

    // Which entries stay, in list order, using up the wanted count of their key.
    std::vector<bool> stays(static_cast<std::size_t>(hosts.count()));
    for (int i = 0; i < hosts.count(); ++i) {
        const QString key = keyOf(hosts.entry(i));
        if (key.isEmpty())
            continue;
        const auto it = wanted.find(key);
        if (it != wanted.end() && it.value() > 0) {
            --it.value();
            stays[static_cast<std::size_t>(i)] = true;
        }
    }
    Change change;
    // Runs of leaving entries, from the end so the indexes still to visit stay valid, each removed at once:
    // one at a time, replacing a list of 100,000 hosts moved the rest of both tables 100,000 times.
    for (int last = hosts.count() - 1; last >= 0; --last) {
        if (stays[static_cast<std::size_t>(last)]) {
            ++change.kept;
            continue;
        }
        int first = last;
        while (first > 0 && !stays[static_cast<std::size_t>(first - 1)])
            --first;
        std::vector<int> rows;
        for (int i = first; i <= last; ++i) {
            if (const HostTable::Slot slot = results.currentSlotOf(hosts.entry(i).id); slot != HostTable::NoSlot)
                rows.push_back(results.rowOf(slot));
        }
        removeRows(results, rows);
        hosts.removeRange(first, last - first + 1);
        change.removed += last - first + 1;
        last = first;
    }
    // New entries in the order the files give them.
    QStringList added;
    if (addedFrom != nullptr)
        addedFrom->clear();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const auto it = wanted.find(keys.at(i));
        if (it.value() > 0) {
            --it.value();
            added.append(entries.at(i));
            if (addedFrom != nullptr)
                addedFrom->push_back(static_cast<int>(i));
        }
    }
    hosts.append(added);
    change.added = static_cast<int>(added.size());
    return change;
}

} // namespace HostListSync
