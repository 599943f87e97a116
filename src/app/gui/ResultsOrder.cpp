#include "app/gui/ResultsOrder.h"

#include "core/ResultsModel.h"

#include <QDateTime>
#include <algorithm>

ResultsOrder::ResultsOrder(const ResultsModel& results, int column, Qt::SortOrder order)
    : m_count(results.count()), m_sorted(column >= 0), m_descending(order == Qt::DescendingOrder)
{
    if (!m_sorted)
        return;
    m_keys.resize(static_cast<std::size_t>(m_count));
    for (int i = 0; i < m_count; ++i) {
        const QVariant value = results.sortValue(i, column);
        Key& key = m_keys[static_cast<std::size_t>(i)];
        switch (value.typeId()) {
        case QMetaType::UnknownType:
            break;
        case QMetaType::QString:
            key.rank = 2;
            key.text = value.toString();
            break;
        case QMetaType::QDateTime:
            key.rank = 1;
            key.number = static_cast<double>(value.toDateTime().toMSecsSinceEpoch());
            break;
        default:
            key.rank = 1;
            key.number = value.toDouble();
            break;
        }
    }
}

bool ResultsOrder::less(int left, int right) const
{
    const Key& l = m_keys[static_cast<std::size_t>(left)];
    const Key& r = m_keys[static_cast<std::size_t>(right)];
    if (l.rank != r.rank)
        return m_descending ? r.rank < l.rank : l.rank < r.rank;
    if (l.rank == 1 && l.number != r.number)
        return m_descending ? r.number < l.number : l.number < r.number;
    if (l.rank == 2) {
        if (const int c = l.text.compare(r.text, Qt::CaseInsensitive); c != 0)
            return m_descending ? c > 0 : c < 0;
    }
    return left < right; // equal cells: the order the rows were added in, both ways
}

QList<int> ResultsOrder::rows(const std::function<bool(int)>& accept) const
{
    QList<int> rows;
    rows.reserve(m_count);
    for (int i = 0; i < m_count; ++i) {
        if (!accept || accept(i))
            rows.append(i);
    }
    if (m_sorted)
        std::sort(rows.begin(), rows.end(), [this](int l, int r) { return less(l, r); });
    return rows;
}
