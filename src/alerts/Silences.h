#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

// Quiet periods: for a while, a host's changes are still logged but nobody is notified or alerted. Written
// "HOST@DURATION" ("answer.lab@2h", "*@1h30m" for every host) or "HOST@TIME" with an ISO 8601 time, local
// unless it names a zone ("answer.lab@2026-12-10T06:00", "...T06:00Z", "...T06:00+01:00").
class Silences
{
public:
    struct Entry {
        QString host; // AllHosts for every host
        QDateTime until;
        bool operator==(const Entry&) const = default;
    };
    static inline const QString AllHosts = QStringLiteral("*");

    // A quiet period written as above, durations counted from now. None, with a message naming the text, when
    // it is not of that form, lasts nothing or is already over.
    static std::optional<Entry> parse(const QString& text, const QDateTime& now, QString* error);

    // A new quiet period for a host replaces the one it had, so that it can be shortened as well.
    void add(const Entry& entry);
    void remove(const QString& host);
    bool isSilenced(const QString& host, const QDateTime& now) const;
    // Forgets the quiet periods that are over; those that were, for the user to be told.
    QList<Entry> expire(const QDateTime& now);
    // The quiet periods not over yet, for display: every host first, then by host.
    QList<Entry> list(const QDateTime& now) const;
    bool isEmpty() const { return m_byHost.isEmpty() && !m_allUntil.isValid(); }

private:
    QHash<QString, QDateTime> m_byHost;
    QDateTime m_allUntil;
};
