#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QStringList>

// One host list entry. The id stays with the entry for its whole life, so results rows can follow
// their host when other entries are added or removed.
struct HostEntry {
    quint64 id = 0;
    QString text;
};

// The host list: entries in the order they were added, each exactly as typed or read.
class HostListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    static QString caption() { return QStringLiteral("Host Names / IP Addresses"); }
    static QString toolTip()
    {
        return QStringLiteral(
            "Double-click item to remove it. Move | line to right and out of window to reveal full names.");
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    int count() const { return static_cast<int>(m_entries.size()); }
    const HostEntry& entry(int i) const { return m_entries.at(i); }
    QString text(int i) const { return m_entries.at(i).text; }
    // Implicitly shared: a cheap, stable copy for a round to walk.
    QList<HostEntry> entries() const { return m_entries; }
    QStringList texts() const;
    // -1 when the entry has been removed.
    int indexOfId(quint64 id) const;
    bool contains(quint64 id) const { return indexOfId(id) >= 0; }
    // Counts the removals and clears so far: a walk over a copy of the list that sees the same count knows
    // every entry of its copy is still listed, without looking each one up.
    quint64 removals() const { return m_removals; }

    quint64 append(const QString& text);
    void append(const QStringList& texts);
    void removeAt(int i) { removeRange(i, 1); }
    // Entries first .. first + count - 1, announced as one removal.
    void removeRange(int first, int count);
    void clear();

private:
    // Ids rise in list order (entries are only appended), so lookups by id can bisect.
    QList<HostEntry> m_entries;
    quint64 m_nextId = 1;
    quint64 m_removals = 0;
};
