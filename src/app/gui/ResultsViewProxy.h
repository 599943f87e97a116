#pragma once

#include <QAbstractProxyModel>
#include <QElapsedTimer>
#include <QList>
#include <QTimer>
#include <functional>
#include <vector>

class ResultsModel;

// The results table as the window shows it: sorted on demand, optionally only the failing hosts, each
// row coloured and marked by its last outcome, rows that no longer stand for a listed host greyed.
//
// Sorting and filtering are not dynamic: at 100,000 rows re-sorting on every change would cost a full
// re-sort per frame. Changes mark the order stale instead, and it is refreshed at a spacing that keeps
// refreshing below a small share of the time. Cell changes reach the view as one announcement per frame.
// The table is flat, so the mapping is two plain arrays rather than a general sort proxy's per-parent
// bookkeeping, whose per-comparison cost made a refresh of 100,000 rows take a tenth of a second.
class ResultsViewProxy : public QAbstractProxyModel
{
    Q_OBJECT
public:
    explicit ResultsViewProxy(ResultsModel& results, QObject* parent = nullptr);
    // Which hosts are silenced now, for their mark; the marks are repainted on quietHostsChanged().
    void setSilenced(std::function<bool(const QString& host)> isSilenced) { m_isSilenced = std::move(isSilenced); }
    void quietHostsChanged();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override { setSort(column, order); }

    // A header click: a new column sorts ascending, a second click descending, a third returns to the
    // order the rows were added in. Emits sortChanged.
    void cycleSort(int column);
    // Column -1: the order the rows were added in.
    void setSort(int column, Qt::SortOrder order);
    int sortColumnShown() const { return m_sortColumn; }
    Qt::SortOrder sortOrderShown() const { return m_sortOrder; }

    void setFailingOnly(bool on);
    bool failingOnly() const { return m_failingOnly; }

    // The source rows of the whole table (also rows the filter hides) in the order shown.
    QList<int> sourceRowsInViewOrder() const;
    // Brings order and filter up to date now.
    void refreshNow();
    // The host list changed: greyed rows may change.
    void hostsChanged();

    qint64 lastRefreshMs() const { return m_lastRefreshMs; }

Q_SIGNALS:
    void sortChanged(int column, Qt::SortOrder order);

private:
    bool accepts(int sourceRow) const;
    int proxyRowOf(int sourceRow) const;
    void sourceRowsInserted(const QModelIndex& parent, int first, int last);
    void sourceRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last);
    void sourceRowsRemoved(const QModelIndex& parent, int first, int last);
    void sourceReset();
    void sourceCellsChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void scheduleRefresh();
    void announceAllCells();

    ResultsModel& m_results;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_failingOnly = false;
    QList<int> m_shown;                  // source row of each row shown
    mutable std::vector<int> m_shownAt;  // row shown of each source row, -1 when hidden
    mutable bool m_shownAtStale = false; // m_shownAt is rebuilt on demand after removals
    QTimer m_refresh;
    QElapsedTimer m_sinceRefresh;
    qint64 m_lastRefreshMs = 0;
    bool silenced(quint32 slot) const;
    std::function<bool(const QString&)> m_isSilenced;
};
