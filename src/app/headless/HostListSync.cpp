#include "HostListSync.h"

#include "HostListModel.h"
#include "ResultsModel.h"

#include <QHash>

namespace HostListSync
{

Change apply(HostListModel& hosts, ResultsModel& results, const QStringList& entries)
{
    QHash<QString, int> wanted;
    wanted.reserve(entries.size());
    for (const QString& text : entries)
        ++wanted[text];

    // Which entries stay, in list order, using up the wanted count of their text.
    std::vector<bool> stays(static_cast<std::size_t>(hosts.count()));
    for (int i = 0; i < hosts.count(); ++i) {
        const auto it = wanted.find(hosts.entry(i).text);
        if (it != wanted.end() && it.value() > 0) {
            --it.value();
            stays[static_cast<std::size_t>(i)] = true;
        }
    }
    Change change;
    // From the end, so the indexes still to visit stay valid.
    for (int i = hosts.count() - 1; i >= 0; --i) {
        if (stays[static_cast<std::size_t>(i)]) {
            ++change.kept;
            continue;
        }
        const quint64 rowId = results.rowIdForHost(hosts.entry(i).id);
        if (rowId != 0)
            results.removeAt(results.indexOfRowId(rowId));
        hosts.removeAt(i);
        ++change.removed;
    }
    // New entries in the order the files give them.
    QStringList added;
    for (const QString& text : entries) {
        const auto it = wanted.find(text);
        if (it.value() > 0) {
            --it.value();
            added.append(text);
        }
    }
    hosts.append(added);
    change.added = static_cast<int>(added.size());
    return change;
}

} // namespace HostListSync
