#include "app/gui/ResultsViewProxy.h"

#include "app/gui/OutcomeMarks.h"
#include "app/gui/ResultsOrder.h"
#include "results/ResultsModel.h"

#include <QColor>
#include <algorithm>
#include <numeric>
#include <utility>

namespace
{

// Refreshing the order waits at least this long after the last refresh, and at least this many times as
// long as the last refresh took, so that it never takes more than a small share of the time.
constexpr int MinRefreshSpacingMs = 500;
constexpr int RefreshCostFactor = 20;

} // namespace

ResultsViewProxy::ResultsViewProxy(ResultsModel& results, QObject* parent)
    : QAbstractProxyModel(parent), m_results(results)
{
    setSourceModel(&results);
    m_shown.resize(results.count());
    std::iota(m_shown.begin(), m_shown.end(), 0);
    m_shownAtStale = true;
    connect(&results, &QAbstractItemModel::rowsInserted, this, &ResultsViewProxy::sourceRowsInserted);
    connect(&results, &QAbstractItemModel::rowsAboutToBeRemoved, this, &ResultsViewProxy::sourceRowsAboutToBeRemoved);
    connect(&results, &QAbstractItemModel::rowsRemoved, this, &ResultsViewProxy::sourceRowsRemoved);
    connect(&results, &QAbstractItemModel::modelAboutToBeReset, this, &ResultsViewProxy::beginResetModel);
    connect(&results, &QAbstractItemModel::modelReset, this, &ResultsViewProxy::sourceReset);
    connect(&results, &QAbstractItemModel::dataChanged, this, &ResultsViewProxy::sourceCellsChanged);
    connect(&results, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
    m_refresh.setSingleShot(true);
    connect(&m_refresh, &QTimer::timeout, this, &ResultsViewProxy::refreshNow);
    m_sinceRefresh.start();
}

QModelIndex ResultsViewProxy::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || row >= m_shown.size() || column < 0 || column >= ResultsModel::ColumnCount)
        return {};
    return createIndex(row, column);
}

QModelIndex ResultsViewProxy::parent(const QModelIndex&) const
{
    return {};
}

int ResultsViewProxy::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int ResultsViewProxy::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ResultsModel::ColumnCount;
}

bool ResultsViewProxy::hasChildren(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_shown.isEmpty();
}

QModelIndex ResultsViewProxy::mapToSource(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid() || proxyIndex.model() != this || proxyIndex.row() >= m_shown.size())
        return {};
    return m_results.index(m_shown.at(proxyIndex.row()), proxyIndex.column());
}

QModelIndex ResultsViewProxy::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid() || sourceIndex.model() != &m_results)
        return {};
    const int row = proxyRowOf(sourceIndex.row());
    return row < 0 ? QModelIndex() : createIndex(row, sourceIndex.column());
}

QVariant ResultsViewProxy::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal)
        return m_results.headerData(section, orientation, role);
    return QAbstractItemModel::headerData(section, orientation, role);
}

QVariant ResultsViewProxy::data(const QModelIndex& index, int role) const
{
    if (role != Qt::BackgroundRole && role != Qt::ForegroundRole && role != Qt::DecorationRole &&
        role != Qt::ToolTipRole)
        return QAbstractProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    if (!source.isValid())
        return {};
    const HostTable::Slot slot = m_results.table().slotAt(source.row());
    const ResultsModel::Outcome outcome = m_results.outcomeOf(slot);
    const bool removed = !m_results.table().isCurrent(slot);
    const bool degraded = !removed && m_results.table().states().state(slot) == HostState::Degraded;
    switch (role) {
    case Qt::BackgroundRole:
        // Translucent tints read on light and dark bases alike.
        if (removed || outcome == ResultsModel::Outcome::NotYetPinged)
            return {};
        if (degraded)
            return QColor(240, 165, 0, 70);
        return outcome == ResultsModel::Outcome::Failing ? QColor(220, 40, 40, 70) : QColor(40, 170, 70, 38);
    case Qt::ForegroundRole:
        return removed ? QVariant(QColor(128, 128, 128)) : QVariant();
    case Qt::DecorationRole:
        if (index.column() != 0)
            return {};
        return QVariant(OutcomeMarks::icon(outcome, degraded, silenced(slot)));
    default: { // Qt::ToolTipRole
        if (index.column() != 0)
            return QAbstractProxyModel::data(index, role);
        QString tip =
            degraded ? QStringLiteral("Degraded: answering, but slowly or with loss") : OutcomeMarks::text(outcome);
        if (silenced(slot))
            tip += QStringLiteral(" (silenced)");
        return tip + (removed ? QStringLiteral(" (removed from the host list)") : QString());
    }
    }
}

bool ResultsViewProxy::silenced(quint32 slot) const
{
    return m_isSilenced && m_isSilenced(m_results.table().hostText(slot));
}

void ResultsViewProxy::quietHostsChanged()
{
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole, Qt::ToolTipRole});
}

void ResultsViewProxy::cycleSort(int column)
{
    if (column != m_sortColumn)
        setSort(column, Qt::AscendingOrder);
    else if (m_sortOrder == Qt::AscendingOrder)
        setSort(column, Qt::DescendingOrder);
    else
        setSort(-1, Qt::AscendingOrder);
}

void ResultsViewProxy::setSort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ResultsModel::ColumnCount)
        column = -1;
    m_sortColumn = column;
    m_sortOrder = order;
    refreshNow();
    Q_EMIT sortChanged(column, order);
}

void ResultsViewProxy::setFailingOnly(bool on)
{
    if (m_failingOnly == on)
        return;
    m_failingOnly = on;
    refreshNow();
}

bool ResultsViewProxy::accepts(int sourceRow) const
{
    return !m_failingOnly || m_results.outcome(sourceRow) == ResultsModel::Outcome::Failing;
}

int ResultsViewProxy::proxyRowOf(int sourceRow) const
{
    if (m_shownAtStale) {
        m_shownAt.assign(static_cast<std::size_t>(m_results.count()), -1);
        for (int i = 0; i < m_shown.size(); ++i)
            m_shownAt[static_cast<std::size_t>(m_shown.at(i))] = i;
        m_shownAtStale = false;
    }
    return sourceRow >= 0 && static_cast<std::size_t>(sourceRow) < m_shownAt.size()
               ? m_shownAt[static_cast<std::size_t>(sourceRow)]
               : -1;
}

QList<int> ResultsViewProxy::sourceRowsInViewOrder() const
{
    return ResultsOrder(m_results.table(), m_sortColumn, m_sortOrder).rows();
}

void ResultsViewProxy::refreshNow()
{
    m_refresh.stop();
    QElapsedTimer cost;
    cost.start();
    QList<int> shown =
        ResultsOrder(m_results.table(), m_sortColumn, m_sortOrder).rows([this](int row) { return accepts(row); });
    // std::equal, not QList's ==, which hands memcmp a null pointer for an empty list that never held rows.
    if (shown.size() == m_shown.size() && std::equal(shown.cbegin(), shown.cend(), m_shown.cbegin())) {
        // Nothing moved, as with hosts whose shown values did not change: a new layout would only make the
        // view lay out and repaint every row.
        m_lastRefreshMs = cost.elapsed();
        m_sinceRefresh.restart();
        return;
    }
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<int> sourceRows;
    sourceRows.reserve(before.size());
    for (const QModelIndex& index : before)
        sourceRows.append(index.row() < m_shown.size() ? m_shown.at(index.row()) : -1);

    m_shown = std::move(shown);
    m_shownAtStale = true;

    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int row = proxyRowOf(sourceRows.at(i));
        after.append(row < 0 ? QModelIndex() : createIndex(row, before.at(i).column()));
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    m_lastRefreshMs = cost.elapsed();
    m_sinceRefresh.restart();
}

void ResultsViewProxy::hostsChanged()
{
    announceAllCells();
}

void ResultsViewProxy::sourceRowsInserted(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    const int added = last - first + 1;
    // A round appends its hosts' rows one by one, so appending must not touch the rows already there.
    const bool appended = first == m_results.count() - added;
    if (!appended) {
        for (int& row : m_shown) {
            if (row >= first)
                row += added;
        }
        m_shownAtStale = true;
    }
    const bool identity = m_sortColumn < 0 && !m_failingOnly;
    QList<int> accepted;
    for (int row = first; row <= last; ++row) {
        if (identity || accepts(row))
            accepted.append(row);
    }
    // Unsorted and unfiltered, the rows shown are the source rows; otherwise new rows are shown at the end
    // until the next refresh puts them in their place.
    const int at = identity ? first : static_cast<int>(m_shown.size());
    if (!accepted.isEmpty()) {
        beginInsertRows({}, at, at + static_cast<int>(accepted.size()) - 1);
        if (at == m_shown.size()) {
            m_shown.append(accepted);
        } else {
            m_shown.insert(at, accepted.size(), 0);
            std::copy(accepted.begin(), accepted.end(), m_shown.begin() + at);
        }
        if (!m_shownAtStale && at == m_shown.size() - accepted.size()) {
            m_shownAt.resize(static_cast<std::size_t>(m_results.count()), -1);
            for (qsizetype i = 0; i < accepted.size(); ++i)
                m_shownAt[static_cast<std::size_t>(accepted.at(i))] = static_cast<int>(at + i);
        } else {
            m_shownAtStale = true;
        }
        endInsertRows();
    } else if (!m_shownAtStale) {
        m_shownAt.resize(static_cast<std::size_t>(m_results.count()), -1);
    }
    if (!identity)
        scheduleRefresh();
}

void ResultsViewProxy::sourceRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    QList<int> going;
    for (int row = first; row <= last; ++row) {
        if (const int shown = proxyRowOf(row); shown >= 0)
            going.append(shown);
    }
    std::sort(going.begin(), going.end(), std::greater<>());
    // Runs of neighbouring rows leave together, the last run first, so the earlier rows keep their places.
    for (qsizetype i = 0; i < going.size();) {
        qsizetype j = i;
        while (j + 1 < going.size() && going.at(j + 1) == going.at(j) - 1)
            ++j;
        beginRemoveRows({}, going.at(j), going.at(i));
        m_shown.remove(going.at(j), going.at(i) - going.at(j) + 1);
        m_shownAtStale = true;
        endRemoveRows();
        i = j + 1;
    }
}

void ResultsViewProxy::sourceRowsRemoved(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    const int removed = last - first + 1;
    for (int& row : m_shown) {
        if (row > last)
            row -= removed;
    }
    m_shownAtStale = true;
}

void ResultsViewProxy::sourceReset()
{
    m_shown = ResultsOrder(m_results.table(), m_sortColumn, m_sortOrder).rows([this](int row) { return accepts(row); });
    m_shownAtStale = true;
    endResetModel();
}

void ResultsViewProxy::sourceCellsChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    if (m_failingOnly || (m_sortColumn >= topLeft.column() && m_sortColumn <= bottomRight.column()))
        scheduleRefresh();
    if (m_sortColumn < 0 && !m_failingOnly) {
        Q_EMIT dataChanged(index(topLeft.row(), 0), index(bottomRight.row(), ResultsModel::ColumnCount - 1));
        return;
    }
    announceAllCells();
}

void ResultsViewProxy::scheduleRefresh()
{
    if (m_refresh.isActive())
        return;
    const qint64 spacing = std::max<qint64>(MinRefreshSpacingMs, RefreshCostFactor * m_lastRefreshMs);
    m_refresh.start(static_cast<int>(std::max<qint64>(0, spacing - m_sinceRefresh.elapsed())));
}

void ResultsViewProxy::announceAllCells()
{
    // Any row may have moved under a changed cell; the view repaints only the rows it shows.
    const int rows = rowCount();
    if (rows > 0)
        Q_EMIT dataChanged(index(0, 0), index(rows - 1, ResultsModel::ColumnCount - 1));
}
