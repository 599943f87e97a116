#pragma once

#include "core/DateTimeText.h"
#include "core/HostState.h"
#include "core/ResultsSnapshot.h"
#include "platform/IpAddress.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QTimer>
#include <algorithm>
#include <optional>

// One results row: the running statistics of one host, kept as numbers. An empty optional (or an
// invalid time) is a cell with no value recorded yet.
struct ResultRow {
    quint64 rowId = 0;
    quint64 hostId = 0; // the host list entry the row belongs to
    QString host;       // "Host Name/IP", copied from the entry when the row is made
    // Null until a reply came; IPv4 or IPv6 in 17 bytes.
    IpAddress replyAddress;
    bool counted = false; // both counts show once the first outcome is in
    qint64 succeeded = 0;
    qint64 failed = 0;
    std::optional<quint32> lastStatus;
    std::optional<quint32> lastRtt;
    std::optional<quint8> lastTtl;
    quint64 rttSum = 0; // all successful round-trip times, for the true mean
    quint64 rttCount = 0;
    QDateTime lastSucceedOn;
    QDateTime lastFailedOn;
    HostStateTrack track; // up or down over several rounds; no column shows it
};

// The results table: one row of statistics per host, rendered as the twelve cell texts.
class ResultsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        HostName,
        ReplyAddress,
        SucceedCount,
        FailedCount,
        PercentFailed,
        LastStatus,
        LastTime,
        LastTtl,
        AverageTime,
        Description,
        LastSucceedOn,
        LastFailedOn,
        ColumnCount
    };
    enum Role {
        // The cell as a typed value, for sorting: numbers, times as QDateTime, addresses as quint32.
        // Empty cells give an invalid QVariant.
        SortRole = Qt::UserRole + 1,
        // The row's last outcome, as an Outcome.
        OutcomeRole,
        // The host list entry the row belongs to (quint64).
        HostIdRole
    };
    enum class Outcome { NotYetPinged, Answering, Failing };

    // Changed cells are announced at most once per frame of this length, so a round over many hosts
    // costs the views one repaint per frame rather than one per outcome.
    static constexpr int ChangeFrameMs = 16;

    explicit ResultsModel(QObject* parent = nullptr);

    // The column captions and what each column holds, both in column order.
    static QStringList captions();
    static QList<CellKind> kinds();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void setLocale(const QLocale& locale) { m_dateTimeText = DateTimeText(locale); }
    int count() const { return static_cast<int>(m_rows.size()); }
    const ResultRow& row(int i) const { return m_rows.at(i); }
    QString cellText(int row, int column) const;

    // Makes room for this many more rows, so that appending them does not grow the table step by step.
    void reserveRows(qsizetype more)
    {
        m_rows.reserve(m_rows.size() + more);
        m_rowOfHost.reserve(std::max(m_rowOfHost.size(), more)); // one entry per host, whatever its rows
    }
    // Appends a fresh row for a host and makes it that host's row. Returns the row's id.
    quint64 appendRow(quint64 hostId, const QString& hostText);
    // The id of the host's row, or 0 when the host has none.
    quint64 rowIdForHost(quint64 hostId) const { return m_rowOfHost.value(hostId, 0); }
    // -1 when the row has been removed.
    int indexOfRowId(quint64 rowId) const;

    // Record one echo's outcome in a row; false when the row is gone.
    bool recordSuccess(quint64 rowId, const IpAddress& address, quint32 rtt, quint8 ttl, const QDateTime& when);
    bool recordFailure(quint64 rowId, quint32 status, const QDateTime& when);

    void removeAt(int i) { removeRange(i, 1); }
    // Rows first .. first + count - 1, announced as one removal.
    void removeRange(int first, int count);
    void clear();

    // Applies to the outcomes recorded from now on.
    void setStateThresholds(const StateThresholds& thresholds) { m_thresholds = thresholds; }
    StateThresholds stateThresholds() const { return m_thresholds; }

    ResultsSnapshot snapshot() const;
    // The given rows only, in the given order.
    ResultsSnapshot snapshot(const QList<int>& rows) const;

    static Outcome outcome(const ResultRow& r);
    QVariant sortValue(int row, int column) const;
    // Announces the rows changed since the last announcement now, rather than at the end of the frame.
    void flushChangedRows();

Q_SIGNALS:
    // After an outcome went into a row (its cells changed too). Rows leaving the table announce themselves
    // through rowsAboutToBeRemoved and modelAboutToBeReset.
    void outcomeRecorded(int row, quint64 rowId, bool success);
    // After outcomeRecorded, when that outcome moved the row to another state (row(i).track holds the new
    // one); previousSince is when the state it left had begun.
    void hostStateChanged(int row, quint64 rowId, HostState previous, const QDateTime& previousSince);

private:
    QString cell(const ResultRow& r, int column) const;
    // The number a Count, Milliseconds or Ttl cell shows; none for an empty cell and for other columns.
    static std::optional<qint64> number(const ResultRow& r, int column);
    void rowChanged(int i);
    void trackState(int i, quint64 rowId, bool success, const QDateTime& when);

    QList<ResultRow> m_rows; // row ids rise in table order
    QHash<quint64, quint64> m_rowOfHost;
    quint64 m_nextRowId = 1;
    DateTimeText m_dateTimeText;
    int m_firstChanged = -1; // the changed rows not yet announced, as one span
    int m_lastChanged = -1;
    QTimer m_changeFrame;
    StateThresholds m_thresholds;
};
