#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <limits>

// The results table's date and time texts in one locale (see ResultsFormat::dateTime), with the locale's
// formats worked out once rather than for every cell. The text of the last second shown is kept: a round's
// outcomes fall within a few seconds, so most cells of a table or an export repeat it. Not for sharing between
// threads (each model and each export has its own).
class DateTimeText
{
public:
    explicit DateTimeText(const QLocale& locale = QLocale());
    QString operator()(const QDateTime& when) const;
    // A time in epoch microseconds, shown in local time.
    QString fromEpochUs(qint64 us) const;

private:
    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
    mutable qint64 m_cachedSecond = std::numeric_limits<qint64>::min();
    mutable QString m_cachedText;
};
