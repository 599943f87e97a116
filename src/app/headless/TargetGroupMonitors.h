#pragma once

#include "hostlist/TargetGroup.h"
#include "ping/EchoSink.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class EchoService;
class HostResolver;
class MessageBoxes;
class Monitor;
class MonitorSession;
struct RoundSummary;

// An echo engine and a resolver made for one target group's options and network family.
struct GroupEngine {
    std::unique_ptr<EchoService> echo;
    std::unique_ptr<HostResolver> resolver;
    QString error; // why none could be made; then both are null
};
using GroupEngineFactory = std::function<GroupEngine(const PingOptions& options, IpFamily family)>;

// The probe's target groups in the one session: one host list and one results table for all of them, and
// for each group a monitor of its own, ticking at the group's interval and walking only the group's entries,
// with an engine set to the group's options. A target is a host text in a group of given settings and labels.
//
// 1. Groups of the same settings and labels are one group (their hosts joined).
// 2. apply() matches the running targets with the new ones: a target that stays keeps its list entry, and so
//    its results row, counters, history and state; the others leave; new ones are appended.
// 3. A group whose settings stay keeps its monitor and engine, so its rounds go on at their pace; a new
//    group gets both, and a group gone is stopped and dropped.
// 4. Each host's series carry its group's labels: the names of all groups, empty where a group has none.
class TargetGroupMonitors : public QObject, private EchoSink
{
    Q_OBJECT
public:
    TargetGroupMonitors(MonitorSession& session, MessageBoxes& boxes, GroupEngineFactory engines,
                        QObject* parent = nullptr);
    ~TargetGroupMonitors() override;

    struct Change {
        int kept = 0;
        int added = 0;
        int removed = 0;
    };
    // Brings the running targets in line with these groups; new groups start at once when the others run.
    // Why it was refused ("FILE:LINE: reason", nothing changed), or empty.
    QString apply(const QList<TargetGroup>& groups, const QString& path, Change* change = nullptr);
    // Switches every group on and runs its first round now; false when one could not start.
    bool start();
    // No further round; the rounds under way complete.
    void stop();
    // Each group stops after this many rounds.
    void setRounds(std::optional<qint64> rounds) { m_rounds = rounds; }

    bool anyOn() const;
    bool roundRunning() const;
    // Every group has finished a round.
    bool allRan() const;
    // The labels of the host's series after host (see MetricsExposition::SeriesLabelsOf).
    QByteArray labelsOf(quint32 slot) const;
    // Failed socket reads of all groups' engines.
    quint64 receiveErrors() const;

Q_SIGNALS:
    // A round of one group; line is where the group starts in the file (0: the list files').
    void roundFinished(const RoundSummary& summary, int line);
    void nameMoved(const QString& host, const IpAddress& from, const IpAddress& to);

private:
    struct Group;
    void echoesDone(std::span<const EchoOutcome> strays) override;
    Group* findGroup(const TargetGroup& settings) const;
    bool startGroup(Group& group);
    void groupRoundFinished(Group& group, const RoundSummary& summary);

    MonitorSession& m_session;
    MessageBoxes& m_boxes;
    GroupEngineFactory m_engines;
    std::vector<std::unique_ptr<Group>> m_groups;
    QHash<quint64, Group*> m_groupOfHost;
    std::optional<qint64> m_rounds;
    bool m_started = false;
};
