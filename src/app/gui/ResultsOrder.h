#pragma once

#include <QList>
#include <QtGlobal>
#include <functional>
#include <vector>

class HostTable;

// The order rows are shown in when sorted by one column: by the cells' typed values (numbers as numbers,
// times as times), empty cells first going up and last going down, and equal cells always in the order the
// rows were added in.
//
// Every cell becomes one unsigned key up front (texts by their rank among the column's texts), so that
// sorting 100,000 rows compares integers only and stays within a frame.
class ResultsOrder
{
public:
    // Takes the column's values straight from the results core's columns. Column -1 keeps the order the rows
    // were added in.
    ResultsOrder(const HostTable& results, int column, Qt::SortOrder order);

    // The rows that pass the filter (all rows without one) in the order shown.
    QList<int> rows(const std::function<bool(int)>& accept = {}) const;

private:
    struct Key {
        quint64 value = 0; // a number's bits in number order, or a text's rank
        quint32 kind = 0;  // 0 empty, 1 number, 2 text; both turned over when going down
        int row = 0;
    };
    void rankTexts(const HostTable& results, int column);

    std::vector<Key> m_keys;
    bool m_sorted = false;
    int m_count = 0;
};
