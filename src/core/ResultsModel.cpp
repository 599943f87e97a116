#include "ResultsModel.h"

#include "PingTexts.h"
#include "ResultsFormat.h"

#include <algorithm>

ResultsModel::ResultsModel(QObject* parent) : QAbstractTableModel(parent) {}

QStringList ResultsModel::captions()
{
    return {QStringLiteral("Host Name/IP"),
            QStringLiteral("Reply IP Address"),
            QStringLiteral("Succeed Count"),
            QStringLiteral("Failed Count"),
            QStringLiteral("% Failed"),
            QStringLiteral("Last Ping Status"),
            QStringLiteral("Last Ping Time (ms)"),
            QStringLiteral("Last Ping TTL"),
            QStringLiteral("Average Ping Time (ms)"),
            QStringLiteral("Description"),
            QStringLiteral("Last Succeed On"),
            QStringLiteral("Last Failed On")};
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
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count() || index.column() >= ColumnCount)
        return {};
    return cell(m_rows.at(index.row()), index.column());
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

QString ResultsModel::cell(const ResultRow& r, int column) const
{
    switch (column) {
    case HostName:
        return r.host;
    case ReplyAddress:
        return r.replyAddress ? ipv4Text(*r.replyAddress) : QString();
    case SucceedCount:
        return r.counted ? QString::number(r.succeeded) : QString();
    case FailedCount:
        return r.counted ? QString::number(r.failed) : QString();
    case PercentFailed:
        return r.counted ? ResultsFormat::failedPercent(r.succeeded, r.failed) : QString();
    case LastStatus:
        return r.lastStatus ? statusText(*r.lastStatus) : QString();
    case LastTime:
        return r.lastRtt ? QString::number(*r.lastRtt) : QString();
    case LastTtl:
        return r.lastTtl ? QString::number(*r.lastTtl) : QString();
    case AverageTime:
        return ResultsFormat::averageMs(r.rttSum, r.rttCount);
    case LastSucceedOn:
        return r.lastSucceedOn.isValid() ? ResultsFormat::dateTime(m_locale, r.lastSucceedOn) : QString();
    case LastFailedOn:
        return r.lastFailedOn.isValid() ? ResultsFormat::dateTime(m_locale, r.lastFailedOn) : QString();
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

bool ResultsModel::recordSuccess(quint64 rowId, quint32 address, quint32 rtt, quint8 ttl, const QDateTime& when)
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
    Q_EMIT dataChanged(index(i, ReplyAddress), index(i, LastFailedOn), {Qt::DisplayRole});
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

void ResultsModel::removeAt(int i)
{
    if (i < 0 || i >= count())
        return;
    beginRemoveRows({}, i, i);
    const ResultRow& r = m_rows.at(i);
    if (m_rowOfHost.value(r.hostId) == r.rowId)
        m_rowOfHost.remove(r.hostId);
    m_rows.removeAt(i);
    endRemoveRows();
}

void ResultsModel::clear()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rowOfHost.clear();
    endResetModel();
}

ResultsSnapshot ResultsModel::snapshot() const
{
    ResultsSnapshot s;
    s.headers = captions();
    s.rows.reserve(m_rows.size());
    for (const ResultRow& r : m_rows) {
        QStringList cells;
        cells.reserve(ColumnCount);
        for (int c = 0; c < ColumnCount; ++c)
            cells.append(cell(r, c));
        s.rows.append(std::move(cells));
    }
    return s;
}
