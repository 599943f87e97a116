#include "app/gui/HostDetailsWindows.h"

#include "app/gui/HostDetailsWindow.h"
#include "core/ResultsModel.h"
#include "history/HistoryRecorder.h"

#include <QAbstractProxyModel>
#include <QMenu>

HostDetailsWindows::HostDetailsWindows(HistoryRecorder& recorder, QWidget* owner)
    : QObject(owner), m_recorder(recorder), m_owner(owner)
{
}

HostDetailsWindow* HostDetailsWindows::open(quint64 rowId)
{
    if (m_recorder.results().indexOfRowId(rowId) < 0)
        return nullptr;
    m_open.removeIf([](const auto& entry) { return entry.value().isNull(); });
    HostDetailsWindow* window = m_open.value(rowId);
    if (!window) {
        window = new HostDetailsWindow(m_recorder, rowId, m_owner);
        m_open.insert(rowId, window);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

HostDetailsWindow* HostDetailsWindows::openAt(const QModelIndex& index)
{
    QModelIndex source = index;
    while (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(source.model()))
        source = proxy->mapToSource(source);
    const ResultsModel& results = m_recorder.results();
    if (!source.isValid() || source.model() != &results)
        return nullptr;
    return open(results.row(source.row()).rowId);
}

QMenu* HostDetailsWindows::menuFor(const QModelIndex& index, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* details = menu->addAction(QStringLiteral("Host Details..."));
    details->setObjectName(QStringLiteral("hostDetailsAction"));
    const QPersistentModelIndex row(index);
    details->setEnabled(row.isValid());
    connect(details, &QAction::triggered, this, [this, row] {
        if (row.isValid())
            openAt(row);
    });
    return menu;
}

QList<HostDetailsWindow*> HostDetailsWindows::windows() const
{
    QList<HostDetailsWindow*> out;
    for (const QPointer<HostDetailsWindow>& w : m_open) {
        if (w)
            out.append(w);
    }
    return out;
}
