#include "alerts/EventTexts.h"

namespace EventTexts
{

QString duration(qint64 seconds)
{
    const qint64 h = seconds / 3600;
    const qint64 m = seconds % 3600 / 60;
    const qint64 s = seconds % 60;
    QStringList parts;
    if (h > 0)
        parts << QStringLiteral("%1 h").arg(h);
    if (m > 0)
        parts << QStringLiteral("%1 min").arg(m);
    if (s > 0 || parts.isEmpty())
        parts << QStringLiteral("%1 s").arg(s);
    return parts.join(u' ');
}

QString isoTime(const QDateTime& when)
{
    return when.toOffsetFromUtc(when.offsetFromUtc()).toString(Qt::ISODate);
}

QString line(const HostEvent& event)
{
    QString text = QStringLiteral("%1 %2 %3").arg(isoTime(event.when), event.name(), event.host);
    if (event.durationSecs)
        text += QStringLiteral(" after %1").arg(duration(*event.durationSecs));
    if (!event.status.isEmpty())
        text += QStringLiteral(" (%1)").arg(event.status);
    return text;
}

} // namespace EventTexts
