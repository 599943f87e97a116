#pragma once

#include "alerts/AlertmanagerClient.h"
#include "alerts/HostEvent.h"

#include <QHash>
#include <QObject>

class AlertRules;

// Keeps Alertmanager told of the problems of the moment: every host down or degraded that is neither
// silenced nor flapping. Unreachable hosts are not problems of their own: their parent's alert stands for
// them. Worked out from the events as each round ends; the client posts only when the set changed, and
// repeats it on its own.
class AlertmanagerFeed : public QObject
{
    Q_OBJECT
public:
    AlertmanagerFeed(AlertRules& rules, AlertmanagerClient& client, QObject* parent = nullptr);

    static constexpr auto DownAlert = "VantrelHostDown";
    static constexpr auto DegradedAlert = "VantrelHostDegraded";

    QList<AlertmanagerClient::Alert> active() const;

private:
    void eventsReady(const HostEvents& events);
    void roundJudged();

    AlertRules& m_rules;
    AlertmanagerClient& m_client;
    QHash<QString, HostEvent> m_problems; // by host: the event that made it one
    QList<AlertmanagerClient::Alert> m_posted;
};
