#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <vector>

class HostTable;

// The order rows are shown in when sorted by one column: by the cells' typed values (numbers as numbers,
// times as times), empty cells first going up and last going down, and equal cells always in the order the
// rows were added in.
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
        int rank = 0; // 0 empty, 1 number, 2 text
        double number = 0;
        QString text;
    };
    bool less(int left, int right) const;

    std::vector<Key> m_keys;
    int m_count = 0;
    bool m_sorted = false;
    bool m_descending = false;
};
