#include "core/HostListModel.h"

#include <algorithm>

int HostListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant HostListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count() || index.column() != 0)
        return {};
    if (role == Qt::DisplayRole)
        return m_entries.at(index.row()).text;
    return {};
}

QVariant HostListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return caption();
    return {};
}

QStringList HostListModel::texts() const
{
    QStringList result;
    result.reserve(m_entries.size());
    for (const HostEntry& e : m_entries)
        result.append(e.text);
    return result;
}

int HostListModel::indexOfId(quint64 id) const
{
    const auto it = std::lower_bound(m_entries.cbegin(), m_entries.cend(), id,
                                     [](const HostEntry& e, quint64 wanted) { return e.id < wanted; });
    if (it == m_entries.cend() || it->id != id)
        return -1;
    return static_cast<int>(it - m_entries.cbegin());
}

quint64 HostListModel::append(const QString& text)
{
    const int row = count();
    beginInsertRows({}, row, row);
    m_entries.append(HostEntry{m_nextId++, text});
    endInsertRows();
    return m_entries.last().id;
}

void HostListModel::append(const QStringList& texts)
{
    if (texts.isEmpty())
        return;
    const int first = count();
    beginInsertRows({}, first, first + static_cast<int>(texts.size()) - 1);
    m_entries.reserve(m_entries.size() + texts.size());
    for (const QString& text : texts)
        m_entries.append(HostEntry{m_nextId++, text});
    endInsertRows();
}

void HostListModel::removeRange(int first, int n)
{
    if (first < 0 || n <= 0 || first + n > count())
        return;
    beginRemoveRows({}, first, first + n - 1);
    ++m_removals;
    m_entries.remove(first, n);
    endRemoveRows();
}

void HostListModel::clear()
{
    if (m_entries.isEmpty())
        return;
    beginResetModel();
    ++m_removals;
    m_entries.clear();
    endResetModel();
}
