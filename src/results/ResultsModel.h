#pragma once

#include "platform/FrameTimer.h"
#include "results/DateTimeText.h"
#include "results/HostTable.h"
#include "results/HostTableObserver.h"
#include "results/ResultsSnapshot.h"

#include <QAbstractTableModel>
#include <QLocale>
#include <memory>
#include <optional>

// The results table as Qt sees it: the core's rows as the twelve cell texts, made only when a cell is shown
// or exported. Structural changes of the core arrive as begin/end pairs; outcomes mark their rows changed, and
// the changed rows are announced at most once per frame.
class ResultsModel : public QAbstractTableModel, private HostTableObserver
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
        // The row's last outcome, as an Outcome.
        OutcomeRole = Qt::UserRole + 1,
        // The host list entry the row belongs to (quint64).
        HostIdRole
    };
    enum class Outcome { NotYetPinged, Answering, Failing };

    // Changed cells are announced at most once per frame of this length, so a round over many hosts
    // costs the views one repaint per frame rather than one per outcome.
    static constexpr int ChangeFrameMs = 16;

    // Over a table of its own (tests, small tools).
    explicit ResultsModel(QObject* parent = nullptr);
    explicit ResultsModel(HostTable& table, QObject* parent = nullptr);
    ~ResultsModel() override;

    // The column captions and what each column holds, both in column order.
    static QStringList captions();
    static QList<CellKind> kinds();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    HostTable& table() { return m_table; }
    const HostTable& table() const { return m_table; }
    void setLocale(const QLocale& locale) { m_dateTimeText = DateTimeText(locale); }
    int count() const { return m_table.rowCount(); }
    QString cellText(int row, int column) const;
    // The characters (code points) of cellText(row, column), counted without making the text where the
    // numbers tell: an aligned table measures every cell before it writes it.
    int cellWidth(int row, int column) const;
    Outcome outcome(int row) const { return outcomeOf(m_table.slotAt(row)); }
    Outcome outcomeOf(HostTable::Slot slot) const;
    // The whole number a Count, Milliseconds or Ttl cell shows; none for an empty cell and for other columns.
    std::optional<qint64> number(int row, int column) const;

    // The table's own edits, as the window's handlers make them.
    HostTable::Slot appendRow(quint64 hostId, const QString& hostText) { return m_table.appendRow(hostId, hostText); }
    void removeAt(int i) { m_table.removeRows(i, 1); }
    void removeRange(int first, int count) { m_table.removeRows(first, count); }
    void clear() { m_table.clear(); }

    ResultsSnapshot snapshot() const;
    // The given rows only, in the given order.
    ResultsSnapshot snapshot(const QList<int>& rows) const;

    // Announces the rows changed since the last announcement now, rather than at the end of the frame.
    void flushChangedRows();

Q_SIGNALS:
    // After a batch of outcomes went into the table (its cells changed too).
    void outcomesRecorded();

private:
    void tableRowsAdding(int first, int last) override;
    void tableRowsAdded(int first, int last) override;
    void tableRowsRemoving(int first, int last) override;
    void tableRowsRemoved(int first, int last) override;
    void tableClearing() override;
    void tableCleared() override;
    void outcomesApplied(std::span<const EchoOutcome> outcomes) override;
    void statesChanged(std::span<const StateChange> changes) override;
    void tableRowsUnlisted() override;

    QString cell(HostTable::Slot slot, int column) const;
    std::optional<qint64> numberOf(HostTable::Slot slot, int column) const;
    void rowChanged(int row);

    std::unique_ptr<HostTable> m_ownTable;
    HostTable& m_table;
    DateTimeText m_dateTimeText;
    int m_firstChanged = -1; // the changed rows not yet announced, as one span
    int m_lastChanged = -1;
    FrameTimer m_changeFrame{ChangeFrameMs};
};
