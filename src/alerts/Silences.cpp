#include "alerts/Silences.h"

#include "core/DurationText.h"

#include <algorithm>

std::optional<Silences::Entry> Silences::parse(const QString& text, const QDateTime& now, QString* error)
{
    const auto fail = [&](const QString& why) {
        *error = QStringLiteral("quiet period \"%1\": %2").arg(text, why);
        return std::nullopt;
    };
    // Times and durations have no "@", host entry texts hardly ever: the last one separates them.
    const qsizetype at = text.lastIndexOf(u'@');
    if (at < 0)
        return fail(QStringLiteral("expected HOST@DURATION or HOST@TIME"));
    const QString host = text.left(at).trimmed();
    const QString when = text.mid(at + 1).trimmed();
    if (host.isEmpty())
        return fail(QStringLiteral("no host before \"@\" (\"*\" for every host)"));
    QDateTime until;
    if (const std::optional<qint64> ms = DurationText::toMs(when)) {
        if (*ms == 0)
            return fail(QStringLiteral("the duration is zero"));
        until = now.addMSecs(*ms);
    } else if (when.contains(u'T')) {
        until = QDateTime::fromString(when, Qt::ISODateWithMs);
        if (!until.isValid())
            return fail(QStringLiteral("\"%1\" is not a time such as 2026-12-10T06:00").arg(when));
        if (until <= now)
            return fail(QStringLiteral("%1 is already past").arg(when));
    } else {
        return fail(QStringLiteral("\"%1\" is neither a duration such as 2h or 1h30m nor a time such as "
                                   "2026-12-10T06:00")
                        .arg(when));
    }
    return Entry{host, until};
}

void Silences::add(const Entry& entry)
{
    if (entry.host == AllHosts)
        m_allUntil = entry.until;
    else
        m_byHost.insert(entry.host, entry.until);
}

void Silences::remove(const QString& host)
{
    if (host == AllHosts)
        m_allUntil = QDateTime();
    else
        m_byHost.remove(host);
}

bool Silences::isSilenced(const QString& host, const QDateTime& now) const
{
    if (m_allUntil.isValid() && now < m_allUntil)
        return true;
    if (m_byHost.isEmpty())
        return false;
    const auto it = m_byHost.constFind(host);
    return it != m_byHost.cend() && now < it.value();
}

QList<Silences::Entry> Silences::expire(const QDateTime& now)
{
    QList<Entry> over;
    for (auto it = m_byHost.begin(); it != m_byHost.end();) {
        if (it.value() <= now) {
            over << Entry{it.key(), it.value()};
            it = m_byHost.erase(it);
        } else {
            ++it;
        }
    }
    std::sort(over.begin(), over.end(), [](const Entry& a, const Entry& b) { return a.host < b.host; });
    if (m_allUntil.isValid() && m_allUntil <= now) {
        over.prepend(Entry{AllHosts, m_allUntil});
        m_allUntil = QDateTime();
    }
    return over;
}

QList<Silences::Entry> Silences::list(const QDateTime& now) const
{
    QList<Entry> entries;
    for (auto it = m_byHost.cbegin(); it != m_byHost.cend(); ++it) {
        if (now < it.value())
            entries << Entry{it.key(), it.value()};
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.host < b.host; });
    if (m_allUntil.isValid() && now < m_allUntil)
        entries.prepend(Entry{AllHosts, m_allUntil});
    return entries;
}
