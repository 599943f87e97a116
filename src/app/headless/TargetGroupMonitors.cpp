#include "app/headless/TargetGroupMonitors.h"

#include "app/headless/HostListSync.h"
#include "core/HostListModel.h"
#include "metrics/MetricsExposition.h"
#include "monitor/Monitor.h"
#include "ping/EchoService.h"
#include "platform/HostResolver.h"
#include "results/HostTable.h"
#include "session/MonitorSession.h"

#include <algorithm>
#include <limits>

namespace
{

bool sameSettings(const TargetGroup& a, const TargetGroup& b)
{
    return a.options == b.options && a.intervalMs == b.intervalMs && a.family == b.family && a.labels == b.labels;
}

} // namespace

struct TargetGroupMonitors::Group {
    TargetGroup settings; // its hosts as last applied
    GroupEngine engine;
    std::unique_ptr<Monitor> monitor; // before the engine it sends through, so it goes first
    QList<HostEntry> entries;         // what its rounds walk, in list order
    QByteArray labels;                // written out for its series
    qint64 rounds = 0;                // finished
};

TargetGroupMonitors::TargetGroupMonitors(MonitorSession& session, MessageBoxes& boxes, GroupEngineFactory engines,
                                         QObject* parent)
    : QObject(parent), m_session(session), m_boxes(boxes), m_engines(std::move(engines))
{
}

TargetGroupMonitors::~TargetGroupMonitors()
{
    for (const auto& group : m_groups)
        group->engine.echo->detach(*this);
}

TargetGroupMonitors::Group* TargetGroupMonitors::findGroup(const TargetGroup& settings) const
{
    for (const auto& group : m_groups) {
        if (sameSettings(group->settings, settings))
            return group.get();
    }
    return nullptr;
}

QString TargetGroupMonitors::apply(const QList<TargetGroup>& groups, const QString& path, Change* change)
{
    QList<TargetGroup> wanted;
    for (const TargetGroup& group : groups) {
        const auto same =
            std::find_if(wanted.begin(), wanted.end(), [&](const TargetGroup& w) { return sameSettings(w, group); });
        if (same != wanted.end())
            same->hosts += group.hosts;
        else
            wanted.append(group);
    }
    // Every group's engine before anything changes: one that cannot be made leaves the targets as they are.
    std::vector<Group*> target(static_cast<std::size_t>(wanted.size()));
    std::vector<std::unique_ptr<Group>> fresh;
    if (!m_engines)
        return QStringLiteral("%1: no engine for target groups here").arg(path);
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        target[std::size_t(i)] = findGroup(wanted[i]);
        if (target[std::size_t(i)] != nullptr)
            continue;
        auto group = std::make_unique<Group>();
        group->engine = m_engines(wanted[i].options, wanted[i].family);
        if (!group->engine.echo) {
            const QString where = wanted[i].line > 0 ? QStringLiteral("%1:%2: ").arg(path).arg(wanted[i].line)
                                                     : QStringLiteral("%1: ").arg(path);
            return where + group->engine.error;
        }
        target[std::size_t(i)] = group.get();
        fresh.push_back(std::move(group));
    }

    // A target is its text in its group: keys name the group by its place in the new order.
    QHash<const Group*, int> indexOf;
    for (std::size_t i = 0; i < target.size(); ++i)
        indexOf.insert(target[i], static_cast<int>(i));
    QStringList texts;
    QStringList keys;
    std::vector<Group*> groupOfWanted;
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        for (const QString& host : std::as_const(wanted[i].hosts)) {
            texts.append(host);
            keys.append(QString::number(i) + QLatin1Char('/') + host);
            groupOfWanted.push_back(target[std::size_t(i)]);
        }
    }
    const auto keyOf = [&](const HostEntry& entry) {
        const auto it = indexOf.constFind(m_groupOfHost.value(entry.id));
        return it == indexOf.cend() ? QString() : QString::number(it.value()) + QLatin1Char('/') + entry.text;
    };
    std::vector<int> addedFrom;
    HostListModel& hosts = m_session.hostList();
    const HostListSync::Change synced = HostListSync::apply(hosts, m_session.table(), texts, keys, keyOf, &addedFrom);
    if (change != nullptr)
        *change = {synced.kept, synced.added, synced.removed};

    QHash<quint64, Group*> groupOfHost;
    groupOfHost.reserve(hosts.count());
    const int firstAdded = hosts.count() - static_cast<int>(addedFrom.size());
    for (int i = 0; i < firstAdded; ++i)
        groupOfHost.insert(hosts.entry(i).id, m_groupOfHost.value(hosts.entry(i).id));
    for (std::size_t k = 0; k < addedFrom.size(); ++k)
        groupOfHost.insert(hosts.entry(firstAdded + static_cast<int>(k)).id, groupOfWanted[std::size_t(addedFrom[k])]);
    m_groupOfHost = std::move(groupOfHost);

    // Groups gone stop here; the rows of their hosts went above.
    for (auto it = m_groups.begin(); it != m_groups.end();) {
        if (indexOf.contains(it->get())) {
            ++it;
            continue;
        }
        (*it)->engine.echo->detach(*this);
        it = m_groups.erase(it);
    }
    for (auto& group : fresh) {
        Group* g = group.get();
        g->engine.echo->setStraySink(this);
        g->monitor = std::make_unique<Monitor>(hosts, m_session.table(), m_session.state(), m_session.errorBox(),
                                               m_boxes, *g->engine.echo, *g->engine.resolver);
        g->monitor->setRoundEntries([g] { return g->entries; });
        connect(g->monitor.get(), &Monitor::roundFinished, this,
                [this, g](const RoundSummary& summary) { groupRoundFinished(*g, summary); });
        connect(g->monitor.get(), &Monitor::nameMoved, this,
                [this](quint32 slot, const IpAddress& from, const IpAddress& to) {
                    Q_EMIT nameMoved(m_session.table().hostText(slot), from, to);
                });
        m_groups.push_back(std::move(group));
    }

    QStringList names;
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        target[std::size_t(i)]->settings = wanted[i];
        target[std::size_t(i)]->entries.clear();
        for (const auto& label : std::as_const(wanted[i].labels)) {
            if (!names.contains(label.first))
                names.append(label.first);
        }
    }
    names.sort();
    for (Group* g : target) {
        g->labels.clear();
        for (const QString& name : std::as_const(names)) {
            const auto label = std::find_if(g->settings.labels.cbegin(), g->settings.labels.cend(),
                                            [&](const auto& l) { return l.first == name; });
            g->labels += ',' + name.toUtf8() + "=\"" +
                         (label == g->settings.labels.cend() ? QByteArray()
                                                             : MetricsExposition::escapeLabelValue(label->second)) +
                         '"';
        }
    }
    for (int i = 0; i < hosts.count(); ++i) {
        if (Group* g = m_groupOfHost.value(hosts.entry(i).id))
            g->entries.append(hosts.entry(i));
    }
    if (m_started) {
        for (const auto& group : m_groups) {
            if (!group->monitor->isOn() && group->rounds == 0)
                startGroup(*group);
        }
    }
    return {};
}

bool TargetGroupMonitors::startGroup(Group& group)
{
    const int intervalMs =
        static_cast<int>(std::min<qint64>(group.settings.intervalMs, std::numeric_limits<int>::max()));
    if (!group.monitor->startWithInterval(intervalMs))
        return false;
    group.monitor->runRoundNow();
    return true;
}

bool TargetGroupMonitors::start()
{
    m_started = true;
    for (const auto& group : m_groups) {
        if (!startGroup(*group))
            return false;
    }
    return !m_groups.empty();
}

void TargetGroupMonitors::stop()
{
    m_started = false;
    for (const auto& group : m_groups) {
        if (group->monitor->isOn())
            group->monitor->stop();
    }
}

bool TargetGroupMonitors::anyOn() const
{
    return std::any_of(m_groups.cbegin(), m_groups.cend(), [](const auto& g) { return g->monitor->isOn(); });
}

bool TargetGroupMonitors::roundRunning() const
{
    return std::any_of(m_groups.cbegin(), m_groups.cend(), [](const auto& g) { return g->monitor->roundRunning(); });
}

bool TargetGroupMonitors::allRan() const
{
    return std::all_of(m_groups.cbegin(), m_groups.cend(), [](const auto& g) { return g->rounds > 0; });
}

QByteArray TargetGroupMonitors::labelsOf(quint32 slot) const
{
    const Group* group = m_groupOfHost.value(m_session.table().hostId(slot));
    return group != nullptr ? group->labels : QByteArray();
}

quint64 TargetGroupMonitors::receiveErrors() const
{
    quint64 errors = 0;
    for (const auto& group : m_groups)
        errors += group->engine.echo->receiveErrors();
    return errors;
}

void TargetGroupMonitors::groupRoundFinished(Group& group, const RoundSummary& summary)
{
    ++group.rounds;
    m_session.roundEnded();
    if (m_rounds && group.rounds >= *m_rounds && group.monitor->isOn())
        group.monitor->stop();
    Q_EMIT roundFinished(summary, group.settings.line);
}

void TargetGroupMonitors::echoesDone(std::span<const EchoOutcome> strays)
{
    m_session.table().apply(strays);
}
