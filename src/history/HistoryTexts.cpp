#include "history/HistoryTexts.h"

#include "ping/EchoStatus.h"

#include <QDateTime>

namespace HistoryTexts
{

QString milliseconds(std::optional<double> ms)
{
    return ms ? QString::number(*ms, 'f', 3) : QString();
}

QString score(std::optional<double> mos)
{
    return mos ? QString::number(*mos, 'f', 2) : QString();
}

QString duration(qint64 ms)
{
    const qint64 s = std::max<qint64>(ms, 0) / 1000;
    const qint64 units[] = {86400, 3600, 60, 1};
    const char* names[] = {"d", "h", "min", "s"};
    for (int i = 0; i < 3; ++i) {
        if (s >= units[i]) {
            const qint64 rest = (s % units[i]) / units[i + 1];
            QString text = QStringLiteral("%1 %2").arg(s / units[i]).arg(QLatin1String(names[i]));
            if (rest > 0)
                text += QStringLiteral(" %1 %2").arg(rest).arg(QLatin1String(names[i + 1]));
            return text;
        }
    }
    return QStringLiteral("%1 s").arg(s);
}

QString timeOfDay(qint64 ms, qint64 referenceMs)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    if (t.date() == QDateTime::fromMSecsSinceEpoch(referenceMs).date())
        return t.toString(QStringLiteral("HH:mm:ss"));
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString streak(const HistoryStatistics& statistics)
{
    if (!statistics.streak)
        return {};
    const HistoryStatistics::Streak& s = *statistics.streak;
    const QString atLeast = s.fromOldest ? QStringLiteral("at least ") : QString();
    if (s.answering)
        return QStringLiteral("answering for %1%2").arg(atLeast, duration(s.untilMs - s.sinceMs));
    return QStringLiteral("failing since %1%2")
        .arg(timeOfDay(s.sinceMs, s.untilMs), s.fromOldest ? QStringLiteral(" or earlier") : QString());
}

QString longestOutage(const HistoryStatistics& statistics)
{
    if (!statistics.longestOutage)
        return QStringLiteral("none");
    const HistoryStatistics::Outage& o = *statistics.longestOutage;
    const qint64 reference = statistics.streak ? statistics.streak->untilMs : o.sinceMs;
    QString text = QStringLiteral("%1 %2 over %3 from %4")
                       .arg(o.failures)
                       .arg(o.failures == 1 ? QStringLiteral("failure") : QStringLiteral("failures"),
                            duration(o.durationMs), timeOfDay(o.sinceMs, reference));
    if (o.ongoing)
        text += QStringLiteral(", still failing");
    return text;
}

QString outcome(const Outcome& outcome, qint64 referenceMs)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(outcome.timeMs);
    const bool sameDay = t.date() == QDateTime::fromMSecsSinceEpoch(referenceMs).date();
    const QString when =
        t.toString(sameDay ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    if (!outcome.answered())
        return QStringLiteral("%1  %2").arg(when, statusText(static_cast<EchoStatus>(outcome.status)));
    return QStringLiteral("%1  %2 ms  TTL %3").arg(when, milliseconds(outcome.rttMs())).arg(outcome.ttl);
}

} // namespace HistoryTexts
