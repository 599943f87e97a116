#include "alerts/AlertNotifier.h"

#include "alerts/EventTexts.h"
#include "alerts/NotificationSender.h"

namespace
{

AlertNotifier::Notification single(const HostEvent& e)
{
    if (e.state == HostState::Down)
        return {QStringLiteral("%1 is down").arg(e.host),
                QStringLiteral("No answer since %1 (%2)").arg(e.when.toString(Qt::ISODate), e.status)};
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
        if (e.state != state)
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
    if (events.size() <= GroupAbove) {
        for (const HostEvent& e : events)
            out << single(e);
        return out;
    }
    QStringList lines;
    for (HostState state : {HostState::Down, HostState::Up}) {
        const QString line = groupLine(events, state);
        if (!line.isEmpty())
            lines << line;
    }
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
