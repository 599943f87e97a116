#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The results table's date and time texts in one locale (see ResultsFormat::dateTime), with the locale's
// formats worked out once rather than for every cell.
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
};
