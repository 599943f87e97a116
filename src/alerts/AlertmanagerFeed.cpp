#include "alerts/AlertmanagerFeed.h"

#include "alerts/AlertRules.h"

#include <algorithm>

AlertmanagerFeed::AlertmanagerFeed(AlertRules& rules, AlertmanagerClient& client, QObject* parent)
    : QObject(parent), m_rules(rules), m_client(client)
{
    connect(&m_rules, &AlertRules::eventsReady, this, &AlertmanagerFeed::eventsReady);
    connect(&m_rules, &AlertRules::roundJudged, this, &AlertmanagerFeed::roundJudged);
    connect(&m_rules, &AlertRules::silencesChanged, this, &AlertmanagerFeed::roundJudged);
}

void AlertmanagerFeed::eventsReady(const HostEvents& events)
{
    // Quiet events count here too: once a host stops flapping or its quiet period ends, its state is known.
    for (const HostEvent& e : events) {
        if (e.kind != HostEvent::Kind::State)
            continue;
        if (e.state == HostState::Down || e.state == HostState::Degraded)
            m_problems.insert(e.host, e);
        else
            m_problems.remove(e.host);
    }
}

QList<AlertmanagerClient::Alert> AlertmanagerFeed::active() const
{
    QList<AlertmanagerClient::Alert> alerts;
    for (const HostEvent& e : m_problems) {
        if (m_rules.isQuiet(e.host))
            continue;
        const bool down = e.state == HostState::Down;
        AlertmanagerClient::Alert a;
        a.alertName = QLatin1String(down ? DownAlert : DegradedAlert);
        a.host = e.host;
        a.severity = down ? QStringLiteral("critical") : QStringLiteral("warning");
        a.summary = QStringLiteral("%1 is %2").arg(e.host, hostStateName(e.state));
        a.status = e.status;
        a.since = e.when;
        alerts.append(std::move(a));
    }
    std::sort(alerts.begin(), alerts.end(), [](const auto& a, const auto& b) { return a.host < b.host; });
    return alerts;
}

void AlertmanagerFeed::roundJudged()
{
    QList<AlertmanagerClient::Alert> now = active();
    if (now == m_posted)
        return;
    m_posted = std::move(now);
    m_client.setActive(m_posted);
}
