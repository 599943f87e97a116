#include "app/gui/HostDetailsWindows.h"

#include "app/gui/HostDetailsWindow.h"
#include "history/HistoryRecorder.h"
#include "results/HostTable.h"
#include "results/ResultsModel.h"

#include <QAbstractProxyModel>
#include <QMenu>

HostDetailsWindows::HostDetailsWindows(HistoryRecorder& recorder, QWidget* owner)
    : QObject(owner), m_recorder(recorder), m_owner(owner)
{
}

HostDetailsWindow* HostDetailsWindows::open(quint64 tag)
{
    if (m_recorder.results().slotOfTag(tag) == HostTable::NoSlot)
        return nullptr;
    m_open.removeIf([](const auto& entry) { return entry.value().isNull(); });
    HostDetailsWindow* window = m_open.value(tag);
    if (!window) {
        window = new HostDetailsWindow(m_recorder, tag, m_owner);
        m_open.insert(tag, window);
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
    const auto* results = qobject_cast<const ResultsModel*>(source.model());
    if (!source.isValid() || results == nullptr || &results->table() != &m_recorder.results())
        return nullptr;
    return open(results->table().tagOf(results->table().slotAt(source.row())));
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
