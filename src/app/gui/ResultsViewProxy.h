#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <functional>

class ResultsModel;

// The results table as the window shows it: sorted on demand, optionally only the failing hosts, each
// row coloured and marked by its last outcome, rows of removed hosts greyed.
//
// Sorting and filtering are not dynamic: at 100,000 rows re-sorting on every change would cost a full
// re-sort per frame. Changes mark the order stale instead, and it is refreshed at a spacing that keeps
// refreshing below a small share of the time. Cell changes reach the view as one announcement per frame.
class ResultsViewProxy : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    // hostPresent says whether a host list entry (by id) still exists.
    ResultsViewProxy(ResultsModel& results, std::function<bool(quint64)> hostPresent, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

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

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    struct Key {
        int rank = 0; // 0 empty, 1 number, 2 text: empty cells sort first
        double number = 0;
        QString text;
    };
    Key keyOf(int sourceRow) const;
    bool keyLess(int leftRow, int rightRow) const;
    void buildKeys() const;
    void sourceCellsChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void scheduleRefresh();
    void announceAllCells();

    ResultsModel& m_results;
    std::function<bool(quint64)> m_hostPresent;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_failingOnly = false;
    mutable QList<Key> m_keys; // the sort column's keys by source row, built once per refresh
    QTimer m_refresh;
    QElapsedTimer m_sinceRefresh;
    qint64 m_lastRefreshMs = 0;
};
