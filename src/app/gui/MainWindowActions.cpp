// The window's extensions beyond its fixed layout: context menus and shortcuts, sorting and the failing-only
// filter of the results table, the summary line, list files dropped on the host list, and the remembered
// geometry, column widths and sort.

#include "app/gui/MainWindow.h"
#include "app/gui/ResultsViewProxy.h"
#include "app/gui/WindowSettings.h"
#include "core/HostListModel.h"
#include "export/ClipboardTextWriter.h"
#include "export/ExportActions.h"
#include "hostlist/HostListActions.h"
#include "monitor/Monitor.h"
#include "monitor/StatusSummary.h"
#include "platform/Clipboard.h"
#include "results/ResultsModel.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

namespace
{

constexpr int SummaryRefreshMs = 250;
constexpr qint64 SummaryCostFactor = 40;

// Local files only: the same reader as the load button takes paths.
QStringList droppedFiles(const QMimeData* mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            return {};
        paths.append(url.toLocalFile());
    }
    return paths;
}

QAction* separator(QObject* parent)
{
    auto* action = new QAction(parent);
    action->setSeparator(true);
    return action;
}

} // namespace

void MainWindow::buildExtensions()
{
    auto make = [this](const QString& text, const QKeySequence& key, auto handler) {
        auto* action = new QAction(text, this);
        action->setShortcut(key);
        action->setShortcutVisibleInContextMenu(true);
        connect(action, &QAction::triggered, this, handler);
        addAction(action); // the shortcut works anywhere in the window
        return action;
    };
    // Delete keeps its own handling (any modifier, the focused table only); the menus show it next to the entries.
    auto withDel = [](const char* text) { return QString::fromLatin1(text) + QStringLiteral("\tDel"); };

    m_startStopAction =
        make(QStringLiteral("Start/Stop Pinging"), Qt::Key_F5, [this] { m_monitor->startOrStop(m_pauseEdit->text()); });
    m_addHostAction =
        make(QStringLiteral("Add One Host Name/IP..."), Qt::Key_Insert, [this] { m_hostActions->addHost(); });
    m_loadListAction = make(QStringLiteral("Load List From Text File..."), QKeySequence::Open,
                            [this] { m_hostActions->chooseListFiles(); });
    m_removeHostsAction = make(withDel("Remove Selected Hosts"), {}, [this] { removeSelectedHosts(); });
    m_clearListAction = make(QStringLiteral("Clear List"), {}, [this] { m_hostActions->clearList(); });
    m_sampleDataAction =
        make(QStringLiteral("Load Sample/Example Data"), {}, [this] { m_hostActions->loadSampleData(); });
    m_copyRowsAction =
        make(QStringLiteral("Copy Selected Rows"), QKeySequence::Copy, [this] { copySelectedResults(); });
    m_copyRowsAction->setShortcutContext(Qt::WidgetShortcut); // elsewhere Ctrl+C copies text as usual
    m_resultsView->addAction(m_copyRowsAction);
    m_failingOnlyAction = make(QStringLiteral("Show Only Failing Hosts"), QKeySequence(QStringLiteral("Ctrl+Shift+F")),
                               [this](bool on) { m_resultsProxy->setFailingOnly(on); });
    m_failingOnlyAction->setCheckable(true);
    m_deleteRowsAction = make(withDel("Delete Selected Rows"), {}, [this] { deleteSelectedResults(); });
    m_saveTextAction = make(QStringLiteral("Save Results As Text File..."), QKeySequence::Save,
                            [this] { m_exportActions->saveAsText(); });
    m_saveWorkbookAction =
        make(QStringLiteral("Save Results As Excel File"), {}, [this] { m_exportActions->saveAsWorkbook(); });
    m_copyAllAction =
        make(QStringLiteral("Copy Results To Clipboard"), {}, [this] { m_exportActions->copyToClipboard(); });
    m_clearResultsAction = make(QStringLiteral("Clear Results"), {}, [this] { m_monitor->clearResults(); });

    m_hostView->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_hostView->addActions({m_addHostAction, m_loadListAction, m_sampleDataAction, separator(this), m_removeHostsAction,
                            m_clearListAction, separator(this), m_startStopAction});
    // Other entries join the results menu through addResultsAction.
    m_resultsView->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_resultsView->addActions({m_copyRowsAction, m_deleteRowsAction, m_failingOnlyAction, separator(this),
                               m_saveTextAction, m_saveWorkbookAction, m_copyAllAction, m_clearResultsAction,
                               separator(this), m_startStopAction, separator(this)});

    // Exports write every row, in the order shown.
    m_exportActions->setSnapshotSource([this] { return m_results->snapshot(m_resultsProxy->sourceRowsInViewOrder()); });

    QHeaderView* header = m_resultsView->header();
    connect(header, &QHeaderView::sectionClicked, m_resultsProxy, &ResultsViewProxy::cycleSort);
    connect(m_resultsProxy, &ResultsViewProxy::sortChanged, header,
            [header](int column, Qt::SortOrder order) { header->setSortIndicator(column, order); });
    connect(m_hostList, &QAbstractItemModel::rowsRemoved, m_resultsProxy, &ResultsViewProxy::hostsChanged);
    connect(m_hostList, &QAbstractItemModel::modelReset, m_resultsProxy, &ResultsViewProxy::hostsChanged);

    // The summary is counted over the whole table, so it is counted a few times a second at most.
    auto stale = [this] { m_summaryStale = true; };
    for (QAbstractItemModel* model :
         {static_cast<QAbstractItemModel*>(m_hostList), static_cast<QAbstractItemModel*>(m_results)}) {
        connect(model, &QAbstractItemModel::rowsInserted, this, stale);
        connect(model, &QAbstractItemModel::rowsRemoved, this, stale);
        connect(model, &QAbstractItemModel::modelReset, this, stale);
    }
    connect(m_results, &ResultsModel::outcomesRecorded, this, stale);
    connect(m_monitor, &Monitor::roundFinished, this, [this](const RoundSummary& summary) {
        m_lastRoundMs = summary.durationMs;
        m_summaryStale = true;
    });
    connect(m_monitor, &Monitor::stateChanged, this, stale);
    m_summaryTimer = new QTimer(this);
    m_summaryTimer->setInterval(SummaryRefreshMs);
    connect(m_summaryTimer, &QTimer::timeout, this, [this] {
        if (m_summaryStale || m_monitor->isOn())
            refreshSummary();
    });
    m_summaryTimer->start();
    refreshSummary();
}

void MainWindow::addResultsAction(QAction* action)
{
    action->setShortcutVisibleInContextMenu(true);
    if (!action->shortcut().isEmpty() && action->shortcutContext() != Qt::WidgetShortcut)
        addAction(action);
    m_resultsView->addAction(action);
}

void MainWindow::refreshSummary()
{
    // Counting visits every row. At 100,000 rows that is milliseconds, so it waits at least
    // SummaryCostFactor times as long as it last took; meanwhile the countdown goes on with the last counts.
    if (m_summaryStale && (!m_sinceCount.isValid() || m_sinceCount.elapsed() >= SummaryCostFactor * m_countCostMs)) {
        QElapsedTimer cost;
        cost.start();
        m_summaryStale = false;
        m_counted = StatusSummary::count(*m_hostList, m_results->table());
        m_countCostMs = cost.elapsed();
        m_sinceCount.start();
    }
    StatusSummary summary = m_counted;
    summary.lastRoundMs = m_lastRoundMs;
    summary.msToNextRound = m_monitor->msToNextRound();
    if (!m_statusNote.isEmpty() && m_statusNoteShown.elapsed() >= StatusNoteMs)
        m_statusNote.clear();
    const QString text = m_statusNote.isEmpty() ? summary.text() : m_statusNote;
    // At the default size the line may not fit; the tooltip has it whole. It is cut again when the label is
    // resized, so that a larger window shows more of it.
    const QString shown = m_summaryLabel->fontMetrics().elidedText(text, Qt::ElideRight, m_summaryLabel->width());
    if (text != m_summaryLabel->toolTip())
        m_summaryLabel->setToolTip(text);
    if (shown != m_summaryLabel->text())
        m_summaryLabel->setText(shown);
}

void MainWindow::showStatus(const QString& note)
{
    m_statusNote = note;
    m_statusNoteShown.start();
    refreshSummary();
}

void MainWindow::removeSelectedHosts()
{
    QList<int> rows;
    for (const QModelIndex& index : m_hostView->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.size() <= 1)
        m_hostActions->removeSelected(rows.isEmpty() ? -1 : rows.first());
    else
        m_hostActions->removeRows(rows);
}

QList<int> MainWindow::selectedResultRows() const
{
    QList<int> shown;
    for (const QModelIndex& index : m_resultsView->selectionModel()->selectedRows())
        shown.append(index.row());
    std::sort(shown.begin(), shown.end());
    QList<int> rows;
    rows.reserve(shown.size());
    for (int row : std::as_const(shown))
        rows.append(m_resultsProxy->mapToSource(m_resultsProxy->index(row, 0)).row());
    return rows;
}

void MainWindow::deleteSelectedResults()
{
    QList<int> rows = selectedResultRows();
    if (rows.isEmpty()) {
        m_monitor->deleteResultRow(-1);
        return;
    }
    std::sort(rows.begin(), rows.end(), std::greater<>()); // from the end, so the others keep their numbers
    for (int row : std::as_const(rows))
        m_monitor->deleteResultRow(row);
}

void MainWindow::copySelectedResults()
{
    const QList<int> rows = selectedResultRows();
    if (!rows.isEmpty())
        m_services.clipboard.setText(ClipboardTextWriter::toText(m_results->snapshot(rows)));
}

bool MainWindow::acceptListFileDrop(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (droppedFiles(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList paths = droppedFiles(drop->mimeData());
        if (paths.isEmpty())
            return false;
        drop->acceptProposedAction();
        m_hostActions->loadFiles(paths);
        return true;
    }
    default:
        return false;
    }
}

void MainWindow::restoreWindowSettings()
{
    const WindowSettings s = WindowSettings::read(m_services.settings);
    if (!s.geometry.isEmpty())
        restoreGeometry(s.geometry);
    auto applyWidths = [](QTreeView* view, const QList<int>& widths) {
        if (widths.size() != view->header()->count())
            return;
        for (int c = 0; c < widths.size(); ++c)
            view->header()->resizeSection(c, widths.at(c));
    };
    applyWidths(m_hostView, s.hostColumnWidths);
    applyWidths(m_resultsView, s.resultColumnWidths);
    if (s.sortColumn >= 0 && s.sortColumn < ResultsModel::ColumnCount)
        m_resultsProxy->setSort(s.sortColumn, s.sortDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void MainWindow::saveWindowSettings()
{
    WindowSettings s;
    s.geometry = saveGeometry();
    auto widths = [](QTreeView* view) {
        QList<int> result;
        for (int c = 0; c < view->header()->count(); ++c)
            result.append(view->header()->sectionSize(c));
        return result;
    };
    s.hostColumnWidths = widths(m_hostView);
    s.resultColumnWidths = widths(m_resultsView);
    s.sortColumn = m_resultsProxy->sortColumnShown();
    s.sortDescending = m_resultsProxy->sortOrderShown() == Qt::DescendingOrder;
    s.write(m_services.settings);
}
