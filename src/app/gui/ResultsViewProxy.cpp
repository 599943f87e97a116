#include "ResultsViewProxy.h"

#include "ResultsModel.h"

#include <QColor>
#include <QDateTime>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <numeric>

namespace
{

// Refreshing the order waits at least this long after the last refresh, and at least this many times as
// long as the last refresh took, so that it never takes more than a small share of the time.
constexpr int MinRefreshSpacingMs = 500;
constexpr int RefreshCostFactor = 20;

// Marks drawn in the first column, so the outcome does not rest on colour alone: a tick, a cross, a ring.
QIcon outcomeMark(ResultsModel::Outcome outcome)
{
    auto draw = [](const QColor& fill, auto&& stroke) {
        QPixmap image(12, 12);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        if (fill.alpha() > 0)
            p.drawEllipse(QRectF(0.5, 0.5, 11, 11));
        stroke(p);
        return QIcon(image);
    };
    static const QIcon answering = draw(QColor(30, 140, 60), [](QPainter& p) {
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(3, 6.2), QPointF(5.2, 8.4), QPointF(9, 3.8)}));
    });
    static const QIcon failing = draw(QColor(200, 30, 30), [](QPainter& p) {
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.8, 3.8), QPointF(8.2, 8.2));
        p.drawLine(QPointF(8.2, 3.8), QPointF(3.8, 8.2));
    });
    static const QIcon notYet = draw(Qt::transparent, [](QPainter& p) {
        p.setPen(QPen(QColor(128, 128, 128), 1.4));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    });
    switch (outcome) {
    case ResultsModel::Outcome::Answering:
        return answering;
    case ResultsModel::Outcome::Failing:
        return failing;
    default:
        return notYet;
    }
}

QString outcomeText(ResultsModel::Outcome outcome)
{
    switch (outcome) {
    case ResultsModel::Outcome::Answering:
        return QStringLiteral("Answering");
    case ResultsModel::Outcome::Failing:
        return QStringLiteral("Failing");
    default:
        return QStringLiteral("Not yet pinged");
    }
}

} // namespace

ResultsViewProxy::ResultsViewProxy(ResultsModel& results, std::function<bool(quint64)> hostPresent, QObject* parent)
    : QSortFilterProxyModel(parent), m_results(results), m_hostPresent(std::move(hostPresent))
{
    setDynamicSortFilter(false);
    setSortRole(ResultsModel::SortRole);
    setSourceModel(&results);
    // The proxy's own handling of changed cells maps every changed row on its own; sorted, a frame's
    // thousands of scattered rows become thousands of announcements, each a linear search in the tree
    // view. The model announces once per frame, and so does this proxy: one span over all rows.
    disconnect(&results, &QAbstractItemModel::dataChanged, this, nullptr);
    connect(&results, &QAbstractItemModel::dataChanged, this, &ResultsViewProxy::sourceCellsChanged);
    m_refresh.setSingleShot(true);
    connect(&m_refresh, &QTimer::timeout, this, &ResultsViewProxy::refreshNow);
    m_sinceRefresh.start();
}

QVariant ResultsViewProxy::data(const QModelIndex& index, int role) const
{
    if (role != Qt::BackgroundRole && role != Qt::ForegroundRole && role != Qt::DecorationRole &&
        role != Qt::ToolTipRole)
        return QSortFilterProxyModel::data(index, role);
    if (!index.isValid())
        return {};
    const QModelIndex source = mapToSource(index);
    if (!source.isValid())
        return {};
    const ResultRow& row = m_results.row(source.row());
    const ResultsModel::Outcome outcome = ResultsModel::outcome(row);
    const bool removed = m_hostPresent && !m_hostPresent(row.hostId);
    switch (role) {
    case Qt::BackgroundRole:
        // Translucent tints read on light and dark bases alike.
        if (removed || outcome == ResultsModel::Outcome::NotYetPinged)
            return {};
        return outcome == ResultsModel::Outcome::Failing ? QColor(220, 40, 40, 70) : QColor(40, 170, 70, 38);
    case Qt::ForegroundRole:
        return removed ? QVariant(QColor(128, 128, 128)) : QVariant();
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(outcomeMark(outcome)) : QVariant();
    default: // Qt::ToolTipRole
        if (index.column() != 0)
            return QSortFilterProxyModel::data(index, role);
        return outcomeText(outcome) + (removed ? QStringLiteral(" (removed from the host list)") : QString());
    }
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
    sort(column, order);
    refreshNow(); // ties in the order the rows were added, as exports and later refreshes have them
    Q_EMIT sortChanged(column, order);
}

void ResultsViewProxy::setFailingOnly(bool on)
{
    if (m_failingOnly == on)
        return;
    m_failingOnly = on;
    refreshNow();
}

ResultsViewProxy::Key ResultsViewProxy::keyOf(int sourceRow) const
{
    const QVariant value = m_results.sortValue(sourceRow, m_sortColumn);
    Key key;
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
    return key;
}

void ResultsViewProxy::buildKeys() const
{
    m_keys.clear();
    if (m_sortColumn < 0)
        return;
    const int rows = m_results.count();
    m_keys.reserve(rows);
    for (int i = 0; i < rows; ++i)
        m_keys.append(keyOf(i));
}

bool ResultsViewProxy::keyLess(int leftRow, int rightRow) const
{
    const Key left = leftRow < m_keys.size() ? m_keys.at(leftRow) : keyOf(leftRow);
    const Key right = rightRow < m_keys.size() ? m_keys.at(rightRow) : keyOf(rightRow);
    if (left.rank != right.rank)
        return left.rank < right.rank;
    if (left.rank == 1)
        return left.number < right.number;
    return left.text.compare(right.text, Qt::CaseInsensitive) < 0;
}

bool ResultsViewProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    return keyLess(left.row(), right.row());
}

bool ResultsViewProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    return !m_failingOnly || ResultsModel::outcome(m_results.row(sourceRow)) == ResultsModel::Outcome::Failing;
}

QList<int> ResultsViewProxy::sourceRowsInViewOrder() const
{
    QList<int> rows(m_results.count());
    std::iota(rows.begin(), rows.end(), 0);
    if (m_sortColumn < 0)
        return rows;
    // The proxy sorts the rows, in the order they were added, with a stable sort; the same sort over all
    // rows puts the rows the filter hides where they belong.
    buildKeys();
    if (m_sortOrder == Qt::AscendingOrder)
        std::stable_sort(rows.begin(), rows.end(), [this](int l, int r) { return keyLess(l, r); });
    else
        std::stable_sort(rows.begin(), rows.end(), [this](int l, int r) { return keyLess(r, l); });
    return rows;
}

void ResultsViewProxy::refreshNow()
{
    m_refresh.stop();
    QElapsedTimer cost;
    cost.start();
    buildKeys();
    invalidate();
    rowCount(); // builds the mapping now, while the keys are fresh
    m_lastRefreshMs = cost.elapsed();
    m_sinceRefresh.restart();
}

void ResultsViewProxy::hostsChanged()
{
    announceAllCells();
}

void ResultsViewProxy::sourceCellsChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    if (m_failingOnly || (m_sortColumn >= topLeft.column() && m_sortColumn <= bottomRight.column()))
        scheduleRefresh();
    if (m_sortColumn < 0 && !m_failingOnly) {
        // Unsorted and unfiltered, proxy rows are the source rows.
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
