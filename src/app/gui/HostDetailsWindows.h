#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

class HistoryRecorder;
class HostDetailsWindow;
class QMenu;
class QModelIndex;
class QWidget;

// The open details windows, at most one per results row: opening a row's window again brings it forward.
// Windows are kept by the row's tag, so a slot taken again by a later row is another window.
class HostDetailsWindows : public QObject
{
    Q_OBJECT
public:
    HostDetailsWindows(HistoryRecorder& recorder, QWidget* owner);

    // The row with this tag (see HostTable::tagOf); null when it is gone.
    HostDetailsWindow* open(quint64 tag);
    // An index of the results table or of a proxy over it (sorting, filtering); null when it is no row.
    HostDetailsWindow* openAt(const QModelIndex& index);
    // A context menu for the row at index, shown by the caller; it deletes itself when closed.
    QMenu* menuFor(const QModelIndex& index, QWidget* parent);
    QList<HostDetailsWindow*> windows() const;

private:
    HistoryRecorder& m_recorder;
    QWidget* m_owner;
    QHash<quint64, QPointer<HostDetailsWindow>> m_open;
};
