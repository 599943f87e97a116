#include "alerts/OutageLogModel.h"

#include "alerts/EventTexts.h"

#include <QHash>
#include <algorithm>

OutageLogModel::OutageLogModel(QObject* parent) : QAbstractTableModel(parent) {}

int OutageLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int OutageLogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const HostEvent& OutageLogModel::eventAt(int row) const
{
    return m_all.at(m_shown.at(m_shown.size() - 1 - row));
}

QVariant OutageLogModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    const HostEvent& e = eventAt(index.row());
    switch (index.column()) {
    case Time:
        return e.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Host:
        return e.host;
    case State:
        return e.name();
    case Outage:
        return e.durationSecs ? EventTexts::duration(*e.durationSecs) : QString();
    case Status:
        return e.status;
    default:
        return {};
    }
}

QVariant OutageLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList captions = {QStringLiteral("Time"), QStringLiteral("Host"), QStringLiteral("State"),
                                         QStringLiteral("Outage"), QStringLiteral("Status")};
    return captions.value(section);
}

void OutageLogModel::setEvents(const HostEvents& events)
{
    m_all = events;
    std::stable_sort(m_all.begin(), m_all.end(),
                     [](const HostEvent& a, const HostEvent& b) { return a.when < b.when; });
    if (m_all.size() > MaxEvents)
        m_all.remove(0, m_all.size() - MaxEvents);
    refilter();
}

void OutageLogModel::addEvents(const HostEvents& events)
{
    if (events.isEmpty())
        return;
    // Live events are mostly the newest; a down event is dated back to its first failure, so merge by time.
    const qsizetype old = m_all.size();
    m_all += events;
    auto byTime = [](const HostEvent& a, const HostEvent& b) { return a.when < b.when; };
    std::stable_sort(m_all.begin() + old, m_all.end(), byTime);
    std::inplace_merge(m_all.begin(), m_all.begin() + old, m_all.end(), byTime);
    if (m_all.size() > MaxEvents)
        m_all.remove(0, m_all.size() - MaxEvents);
    refilter();
}

void OutageLogModel::setFilter(const QString& hostText, const QString& eventName, const QDateTime& from)
{
    m_hostText = hostText.trimmed();
    m_eventName = eventName;
    m_from = from;
    refilter();
}

bool OutageLogModel::matchesHostAndPeriod(const HostEvent& e) const
{
    return (!m_from.isValid() || e.when >= m_from) &&
           (m_hostText.isEmpty() || e.host.contains(m_hostText, Qt::CaseInsensitive));
}

void OutageLogModel::refilter()
{
    beginResetModel();
    m_shown.clear();
    for (qsizetype i = 0; i < m_all.size(); ++i) {
        const HostEvent& e = m_all.at(i);
        if (matchesHostAndPeriod(e) && (m_eventName.isEmpty() || e.name() == m_eventName))
            m_shown.append(static_cast<int>(i));
    }
    endResetModel();
}

HostEvents OutageLogModel::shownEvents() const
{
    HostEvents events;
    events.reserve(m_shown.size());
    for (int row = 0; row < rowCount(); ++row)
        events.append(eventAt(row));
    return events;
}

QList<OutageLogModel::HostSummary> OutageLogModel::summary(const QDateTime& now) const
{
    QHash<QString, HostSummary> byHost;
    QHash<QString, QDateTime> downSince; // hosts whose latest event is "down"
    for (const HostEvent& e : m_all) {
        if (!matchesHostAndPeriod(e))
            continue;
        HostSummary& s = byHost[e.host];
        s.host = e.host;
        if (e.kind != HostEvent::Kind::State)
            continue;
        if (isFailing(e.state)) {
            if (downSince.contains(e.host))
                continue; // down, then unreachable behind a parent: one outage

            ++s.outages;
            downSince.insert(e.host, e.when);
        } else if (isAnswering(e.state)) {
            downSince.remove(e.host);
            if (e.durationSecs) {
                // Only the part of the outage within the period.
                QDateTime begin = e.when.addSecs(-*e.durationSecs);
                if (m_from.isValid() && begin < m_from)
                    begin = m_from;
                s.downtimeSecs += std::max<qint64>(0, begin.secsTo(e.when));
            }
        }
    }
    for (auto it = downSince.cbegin(); it != downSince.cend(); ++it)
        byHost[it.key()].downtimeSecs += std::max<qint64>(0, it.value().secsTo(now));
    QList<HostSummary> out = byHost.values();
    std::sort(out.begin(), out.end(), [](const HostSummary& a, const HostSummary& b) {
        return a.downtimeSecs != b.downtimeSecs ? a.downtimeSecs > b.downtimeSecs : a.host < b.host;
    });
    return out;
}
