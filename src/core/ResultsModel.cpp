#include "core/ResultsModel.h"

#include "core/ResultsFormat.h"
#include "ping/EchoStatus.h"
#include "ping/HostAddress.h"

#include <algorithm>
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

} // namespace

ResultsModel::ResultsModel(QObject* parent) : QAbstractTableModel(parent)
{
    m_changeFrame.setSingleShot(true);
    m_changeFrame.setInterval(ChangeFrameMs);
    connect(&m_changeFrame, &QTimer::timeout, this, &ResultsModel::flushChangedRows);
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
    switch (role) {
    case Qt::DisplayRole:
        return cell(m_rows.at(index.row()), index.column());
    case SortRole:
        return sortValue(index.row(), index.column());
    case OutcomeRole:
        return QVariant::fromValue(static_cast<int>(outcome(m_rows.at(index.row()))));
    case HostIdRole:
        return QVariant::fromValue(m_rows.at(index.row()).hostId);
    default:
        return {};
    }
}

ResultsModel::Outcome ResultsModel::outcome(const ResultRow& r)
{
    if (!r.lastStatus)
        return Outcome::NotYetPinged;
    return *r.lastStatus == 0 ? Outcome::Answering : Outcome::Failing;
}

QVariant ResultsModel::sortValue(int row, int column) const
{
    const ResultRow& r = m_rows.at(row);
    switch (column) {
    case HostName:
        if (const std::optional<quint32> address = HostAddress::parseIpv4(r.host))
            return QVariant::fromValue(*address); // addresses in number order
        return r.host;
    case ReplyAddress:
        if (r.replyAddress.isNull())
            return QVariant();
        if (r.replyAddress.isIpv4()) // numbers sort IPv4 addresses, and before any IPv6 text key
            return QVariant::fromValue(r.replyAddress.toIpv4());
        // IPv6 as 32 hex digits: as texts they sort in number order, after every number
        return QString::fromLatin1(
            QByteArray(reinterpret_cast<const char*>(r.replyAddress.bytes().data()), 16).toHex());
    case SucceedCount:
        return r.counted ? QVariant::fromValue(r.succeeded) : QVariant();
    case FailedCount:
        return r.counted ? QVariant::fromValue(r.failed) : QVariant();
    case PercentFailed:
        return r.counted && r.succeeded + r.failed > 0
                   ? QVariant(static_cast<double>(r.failed) / static_cast<double>(r.succeeded + r.failed))
                   : QVariant();
    case LastStatus:
        return r.lastStatus ? QVariant(statusText(static_cast<EchoStatus>(*r.lastStatus))) : QVariant();
    case LastTime:
        return r.lastRtt ? QVariant::fromValue(*r.lastRtt) : QVariant();
    case LastTtl:
        return r.lastTtl ? QVariant::fromValue(static_cast<quint32>(*r.lastTtl)) : QVariant();
    case AverageTime:
        return r.rttCount > 0 ? QVariant(static_cast<double>(r.rttSum) / static_cast<double>(r.rttCount)) : QVariant();
    case LastSucceedOn:
        return r.lastSucceedOn.isValid() ? QVariant(r.lastSucceedOn) : QVariant();
    case LastFailedOn:
        return r.lastFailedOn.isValid() ? QVariant(r.lastFailedOn) : QVariant();
    default:
        return {};
    }
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return captions().at(section);
}

QString ResultsModel::cellText(int row, int column) const
{
    return cell(m_rows.at(row), column);
}

std::optional<qint64> ResultsModel::number(const ResultRow& r, int column)
{
    switch (column) {
    case SucceedCount:
        return r.counted ? std::optional<qint64>(r.succeeded) : std::nullopt;
    case FailedCount:
        return r.counted ? std::optional<qint64>(r.failed) : std::nullopt;
    case LastTime:
        return r.lastRtt ? std::optional<qint64>(*r.lastRtt) : std::nullopt;
    case LastTtl:
        return r.lastTtl ? std::optional<qint64>(*r.lastTtl) : std::nullopt;
    case AverageTime:
        return ResultsFormat::averageMs(r.rttSum, r.rttCount);
    default:
        return std::nullopt;
    }
}

QString ResultsModel::cell(const ResultRow& r, int column) const
{
    switch (column) {
    case HostName:
        return r.host;
    case ReplyAddress:
        return r.replyAddress.toString();
    case SucceedCount:
    case FailedCount:
    case LastTime:
    case LastTtl:
    case AverageTime: {
        const std::optional<qint64> n = number(r, column);
        return n ? QString::number(*n) : QString();
    }
    case PercentFailed:
        return r.counted ? ResultsFormat::failedPercent(r.succeeded, r.failed) : QString();
    case LastStatus:
        return r.lastStatus ? statusText(static_cast<EchoStatus>(*r.lastStatus)) : QString();
    case LastSucceedOn:
        return r.lastSucceedOn.isValid() ? m_dateTimeText(r.lastSucceedOn) : QString();
    case LastFailedOn:
        return r.lastFailedOn.isValid() ? m_dateTimeText(r.lastFailedOn) : QString();
    default: // Description: nothing ever writes it
        return {};
    }
}

quint64 ResultsModel::appendRow(quint64 hostId, const QString& hostText)
{
    const int i = count();
    beginInsertRows({}, i, i);
    ResultRow r;
    r.rowId = m_nextRowId++;
    r.hostId = hostId;
    r.host = hostText;
    // Up or down belongs to the host, not to one of its rows: a fresh row (built after the list changed)
    // goes on from the last, so a host that was down is not reported down again and its recovery is reported.
    if (const quint64 previous = m_rowOfHost.value(hostId, 0); previous != 0) {
        if (const int at = indexOfRowId(previous); at >= 0)
            r.track = m_rows.at(at).track;
    }
    m_rows.append(std::move(r));
    m_rowOfHost.insert(hostId, m_rows.last().rowId);
    endInsertRows();
    return m_rows.last().rowId;
}

int ResultsModel::indexOfRowId(quint64 rowId) const
{
    const auto it = std::lower_bound(m_rows.cbegin(), m_rows.cend(), rowId,
                                     [](const ResultRow& r, quint64 wanted) { return r.rowId < wanted; });
    if (it == m_rows.cend() || it->rowId != rowId)
        return -1;
    return static_cast<int>(it - m_rows.cbegin());
}

bool ResultsModel::recordSuccess(quint64 rowId, const IpAddress& address, quint32 rtt, quint8 ttl,
                                 const QDateTime& when)
{
    const int i = indexOfRowId(rowId);
    if (i < 0)
        return false;
    ResultRow& r = m_rows[i];
    r.replyAddress = address;
    r.counted = true;
    ++r.succeeded;
    r.lastStatus = 0;
    r.rttSum += rtt;
    ++r.rttCount;
    r.lastRtt = rtt;
    r.lastTtl = ttl;
    r.lastSucceedOn = when;
    rowChanged(i);
    Q_EMIT outcomeRecorded(i, rowId, true);
    trackState(i, rowId, true, when);
    return true;
}

bool ResultsModel::recordFailure(quint64 rowId, quint32 status, const QDateTime& when)
{
    const int i = indexOfRowId(rowId);
    if (i < 0)
        return false;
    ResultRow& r = m_rows[i];
    r.counted = true;
    ++r.failed;
    r.lastStatus = status;
    r.lastFailedOn = when;
    rowChanged(i);
    Q_EMIT outcomeRecorded(i, rowId, false);
    trackState(i, rowId, false, when);
    return true;
}

void ResultsModel::rowChanged(int i)
{
    m_firstChanged = m_firstChanged < 0 ? i : std::min(m_firstChanged, i);
    m_lastChanged = std::max(m_lastChanged, i);
    if (!m_changeFrame.isActive())
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

void ResultsModel::trackState(int i, quint64 rowId, bool success, const QDateTime& when)
{
    // The row is looked up again: a receiver of outcomeRecorded may have removed rows.
    const int now = i < count() && m_rows.at(i).rowId == rowId ? i : indexOfRowId(rowId);
    if (now < 0)
        return;
    HostStateTrack& track = m_rows[now].track;
    const HostState previous = track.state;
    const QDateTime previousSince = track.since;
    if (track.record(success, when, m_thresholds))
        Q_EMIT hostStateChanged(now, rowId, previous, previousSince);
}

void ResultsModel::removeRange(int first, int n)
{
    if (first < 0 || n <= 0 || first + n > count())
        return;
    flushChangedRows(); // announced under the row numbers they were recorded with
    beginRemoveRows({}, first, first + n - 1);
    for (int i = first; i < first + n; ++i) {
        const ResultRow& r = m_rows.at(i);
        if (m_rowOfHost.value(r.hostId) == r.rowId)
            m_rowOfHost.remove(r.hostId);
    }
    m_rows.remove(first, n);
    endRemoveRows();
}

void ResultsModel::clear()
{
    m_firstChanged = m_lastChanged = -1;
    m_changeFrame.stop();
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rowOfHost.clear();
    endResetModel();
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
        const ResultRow& r = m_rows.at(i);
        QStringList cells;
        QList<std::optional<qint64>> numbers;
        cells.reserve(ColumnCount);
        numbers.reserve(ColumnCount);
        for (int c = 0; c < ColumnCount; ++c) {
            cells.append(cell(r, c));
            numbers.append(number(r, c));
        }
        s.rows.append(std::move(cells));
        s.numbers.append(std::move(numbers));
    }
    return s;
}
