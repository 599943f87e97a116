#include "results/ResultsModel.h"

#include "core/CodePointCount.h"
#include "ping/EchoStatus.h"
#include "results/ResultsFormat.h"

#include <array>
#include <numeric>

namespace
{

struct ColumnInfo {
    const char* caption;
    CellKind kind;
};

// The one list of the columns, in table order.
constexpr std::array<ColumnInfo, ResultsModel::ColumnCount> Columns = {{
    {"Host Name/IP", CellKind::Text},
    {"Reply IP Address", CellKind::Text},
    {"Succeed Count", CellKind::Count},
    {"Failed Count", CellKind::Count},
    {"% Failed", CellKind::Percent},
    {"Last Ping Status", CellKind::Text},
    {"Last Ping Time (ms)", CellKind::Milliseconds},
    {"Last Ping TTL", CellKind::Ttl},
    {"Average Ping Time (ms)", CellKind::Milliseconds},
    {"Description", CellKind::Text},
    {"Last Succeed On", CellKind::Date},
    {"Last Failed On", CellKind::Date},
}};

// The columns whose cells are whole numbers (numberOf).
bool holdsNumber(int column)
{
    return column == ResultsModel::SucceedCount || column == ResultsModel::FailedCount ||
           column == ResultsModel::LastTime || column == ResultsModel::LastTtl || column == ResultsModel::AverageTime;
}

} // namespace

ResultsModel::ResultsModel(QObject* parent)
    : QAbstractTableModel(parent), m_ownTable(std::make_unique<HostTable>()), m_table(*m_ownTable)
{
    m_table.addObserver(this);
    connect(&m_changeFrame, &FrameTimer::timeout, this, &ResultsModel::flushChangedRows);
}

ResultsModel::ResultsModel(HostTable& table, QObject* parent) : QAbstractTableModel(parent), m_table(table)
{
    m_table.addObserver(this);
    connect(&m_changeFrame, &FrameTimer::timeout, this, &ResultsModel::flushChangedRows);
}

ResultsModel::~ResultsModel()
{
    m_table.removeObserver(this);
}

QStringList ResultsModel::captions()
{
    static const QStringList list = [] {
        QStringList out;
        for (const ColumnInfo& column : Columns)
            out.append(QString::fromLatin1(column.caption));
        return out;
    }();
    return list;
}

QList<CellKind> ResultsModel::kinds()
{
    static const QList<CellKind> list = [] {
        QList<CellKind> out;
        for (const ColumnInfo& column : Columns)
            out.append(column.kind);
        return out;
    }();
    return list;
}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

int ResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count() || index.column() >= ColumnCount)
        return {};
    const HostTable::Slot slot = m_table.slotAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return cell(slot, index.column());
    case OutcomeRole:
        return QVariant::fromValue(static_cast<int>(outcomeOf(slot)));
    case HostIdRole:
        return QVariant::fromValue(m_table.hostId(slot));
    default:
        return {};
    }
}

ResultsModel::Outcome ResultsModel::outcomeOf(HostTable::Slot slot) const
{
    if (!m_table.counted(slot))
        return Outcome::NotYetPinged;
    return m_table.lastStatus(slot) == EchoStatus::Success ? Outcome::Answering : Outcome::Failing;
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return captions().at(section);
}

QString ResultsModel::cellText(int row, int column) const
{
    return cell(m_table.slotAt(row), column);
}

int ResultsModel::cellWidth(int row, int column) const
{
    const HostTable::Slot s = m_table.slotAt(row);
    const auto digits = [](qint64 n) {
        int count = n < 0 ? 2 : 1; // the minus sign
        for (quint64 rest = n < 0 ? 0 - static_cast<quint64>(n) : static_cast<quint64>(n); rest >= 10; rest /= 10)
            ++count;
        return count;
    };
    if (holdsNumber(column)) {
        const std::optional<qint64> n = numberOf(s, column);
        return n ? digits(*n) : 0;
    }
    switch (column) {
    case PercentFailed: // "12.34%"
        return m_table.counted(s)
                   ? digits(ResultsFormat::failedHundredths(m_table.succeeded(s), m_table.failed(s)) / 100) + 4
                   : 0;
    case ReplyAddress:
        if (const IpAddress& reply = m_table.replyAddress(s); reply.isIpv4()) {
            const quint32 address = reply.toIpv4();
            return 3 + digits(address >> 24) + digits((address >> 16) & 0xFF) + digits((address >> 8) & 0xFF) +
                   digits(address & 0xFF);
        }
        break;
    default:
        break;
    }
    return codePointCount(column == HostName ? QStringView(m_table.hostText(s)) : QStringView(cell(s, column)));
}

std::optional<qint64> ResultsModel::number(int row, int column) const
{
    return numberOf(m_table.slotAt(row), column);
}

std::optional<qint64> ResultsModel::numberOf(HostTable::Slot s, int column) const
{
    const bool counted = m_table.counted(s);
    const bool answered = m_table.succeeded(s) > 0;
    switch (column) {
    case SucceedCount:
        return counted ? std::optional<qint64>(static_cast<qint64>(m_table.succeeded(s))) : std::nullopt;
    case FailedCount:
        return counted ? std::optional<qint64>(static_cast<qint64>(m_table.failed(s))) : std::nullopt;
    case LastTime:
        // Whole milliseconds, cut rather than rounded, as the table has always shown them.
        return answered ? std::optional<qint64>(m_table.lastRttUs(s) / 1000) : std::nullopt;
    case LastTtl:
        return answered ? std::optional<qint64>(m_table.lastTtl(s)) : std::nullopt;
    case AverageTime:
        return ResultsFormat::averageMs(m_table.rttSumMs(s), m_table.succeeded(s));
    default:
        return std::nullopt;
    }
}

QString ResultsModel::cell(HostTable::Slot s, int column) const
{
    if (holdsNumber(column)) {
        const std::optional<qint64> n = numberOf(s, column);
        return n ? QString::number(*n) : QString();
    }
    switch (column) {
    case HostName:
        return m_table.hostText(s);
    case ReplyAddress:
        return m_table.replyAddress(s).toString();
    case PercentFailed:
        return m_table.counted(s) ? ResultsFormat::failedPercent(static_cast<qint64>(m_table.succeeded(s)),
                                                                 static_cast<qint64>(m_table.failed(s)))
                                  : QString();
    case LastStatus:
        return m_table.counted(s) ? statusText(m_table.lastStatus(s)) : QString();
    case LastSucceedOn:
        return m_table.succeeded(s) > 0 ? m_dateTimeText.fromEpochUs(m_table.lastSuccessUs(s)) : QString();
    case LastFailedOn:
        return m_table.failed(s) > 0 ? m_dateTimeText.fromEpochUs(m_table.lastFailureUs(s)) : QString();
    default: // Description: nothing ever writes it
        return {};
    }
}

void ResultsModel::tableRowsAdding(int first, int last)
{
    beginInsertRows({}, first, last);
}

void ResultsModel::tableRowsAdded(int, int)
{
    endInsertRows();
}

void ResultsModel::tableRowsRemoving(int first, int last)
{
    flushChangedRows(); // announced under the row numbers they were recorded with
    beginRemoveRows({}, first, last);
}

void ResultsModel::tableRowsRemoved(int, int)
{
    endRemoveRows();
}

void ResultsModel::tableClearing()
{
    m_firstChanged = m_lastChanged = -1;
    m_changeFrame.stop();
    beginResetModel();
}

void ResultsModel::tableCleared()
{
    endResetModel();
}

void ResultsModel::outcomesApplied(std::span<const EchoOutcome> outcomes)
{
    for (const EchoOutcome& o : outcomes)
        rowChanged(m_table.rowOf(HostTable::slotInTag(o.tag)));
    Q_EMIT outcomesRecorded();
}

void ResultsModel::statesChanged(std::span<const StateChange> changes)
{
    // Views mark a row by its state, so a row whose cells stay the same may still need a repaint.
    for (const StateChange& c : changes)
        rowChanged(m_table.rowOf(c.slot));
}

void ResultsModel::tableRowsUnlisted()
{
    // Nothing in the cells changes; views that grey such rows hear of it from the host list.
}

void ResultsModel::rowChanged(int row)
{
    m_firstChanged = m_firstChanged < 0 ? row : std::min(m_firstChanged, row);
    m_lastChanged = std::max(m_lastChanged, row);
    m_changeFrame.start();
}

void ResultsModel::flushChangedRows()
{
    m_changeFrame.stop();
    if (m_firstChanged < 0)
        return;
    const int first = m_firstChanged;
    const int last = std::min(m_lastChanged, count() - 1);
    m_firstChanged = m_lastChanged = -1;
    if (first <= last)
        Q_EMIT dataChanged(index(first, ReplyAddress), index(last, LastFailedOn), {Qt::DisplayRole});
}

ResultsSnapshot ResultsModel::snapshot() const
{
    QList<int> all(count());
    std::iota(all.begin(), all.end(), 0);
    return snapshot(all);
}

ResultsSnapshot ResultsModel::snapshot(const QList<int>& rows) const
{
    ResultsSnapshot s;
    s.headers = captions();
    s.kinds = kinds();
    s.rows.reserve(rows.size());
    s.numbers.reserve(rows.size());
    for (int i : rows) {
        const HostTable::Slot slot = m_table.slotAt(i);
        QStringList cells;
        QList<std::optional<qint64>> numbers;
        cells.reserve(ColumnCount);
        numbers.reserve(ColumnCount);
        for (int c = 0; c < ColumnCount; ++c) {
            cells.append(cell(slot, c));
            numbers.append(numberOf(slot, c));
        }
        s.rows.append(std::move(cells));
        s.numbers.append(std::move(numbers));
    }
    return s;
}
