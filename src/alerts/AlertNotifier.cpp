#include "alerts/AlertNotifier.h"

#include "alerts/EventTexts.h"
#include "alerts/NotificationSender.h"

namespace
{

AlertNotifier::Notification single(const HostEvent& e)
{
    if (e.kind == HostEvent::Kind::FlappingStarted)
        return {QStringLiteral("%1 is flapping").arg(e.host),
                QStringLiteral("Its changes are logged but not notified until it is stable")};
    if (e.kind == HostEvent::Kind::FlappingEnded)
        return {QStringLiteral("%1 is stable again").arg(e.host),
                QStringLiteral("Stable since %1").arg(e.when.toString(Qt::ISODate))};
    if (e.state == HostState::Down)
        return {QStringLiteral("%1 is down").arg(e.host),
                QStringLiteral("No answer since %1 (%2)").arg(e.when.toString(Qt::ISODate), e.status)};
    if (e.state == HostState::Degraded)
        return {QStringLiteral("%1 is degraded").arg(e.host),
                QStringLiteral("Since %1 (%2)").arg(e.when.toString(Qt::ISODate), e.status)};
    if (e.previous == HostState::Degraded)
        return {QStringLiteral("%1 is up again").arg(e.host),
                QStringLiteral("Answering well since %1").arg(e.when.toString(Qt::ISODate))};
    return {QStringLiteral("%1 is up again").arg(e.host),
            e.durationSecs ? QStringLiteral("Down for %1").arg(EventTexts::duration(*e.durationSecs))
                           : QStringLiteral("Answering since %1").arg(e.when.toString(Qt::ISODate))};
}

// "12 hosts down: a, b, c, …"
QString groupLine(const HostEvents& events, HostState state)
{
    QStringList names;
    qsizetype count = 0;
    for (const HostEvent& e : events) {
        if (e.kind != HostEvent::Kind::State || e.state != state)
            continue;
        if (++count <= AlertNotifier::NamesListed)
            names << e.host;
    }
    if (count == 0)
        return {};
    if (count > AlertNotifier::NamesListed)
        names << QStringLiteral("…");
    return QStringLiteral("%1 %2 %3: %4")
        .arg(count)
        .arg(count == 1 ? QStringLiteral("host") : QStringLiteral("hosts"), hostStateName(state), names.join(u", "));
}

} // namespace

QList<AlertNotifier::Notification> AlertNotifier::notificationsFor(const HostEvents& events)
{
    QList<Notification> out;
    HostEvents concerning;
    for (const HostEvent& e : events) {
        if (e.concernsPeople())
            concerning.append(e);
    }
    if (concerning.size() <= GroupAbove) {
        for (const HostEvent& e : concerning)
            out << single(e);
        return out;
    }
    QStringList lines;
    for (HostState state : {HostState::Down, HostState::Degraded, HostState::Up}) {
        const QString line = groupLine(concerning, state);
        if (!line.isEmpty())
            lines << line;
    }
    if (lines.isEmpty())
        return out;
    out << Notification{lines.join(QStringLiteral("; ")), lines.join(u'\n')};
    return out;
}

void AlertNotifier::notify(const HostEvents& events)
{
    if (!m_enabled)
        return;
    for (const Notification& n : notificationsFor(events))
        m_sender.notify(n.summary, n.body);
}
