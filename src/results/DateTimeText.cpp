#include "results/DateTimeText.h"

#include "results/ResultsFormat.h"

DateTimeText::DateTimeText(const QLocale& locale)
    : m_locale(locale), m_dateFormat(ResultsFormat::withFullYear(locale.dateFormat(QLocale::ShortFormat))),
      m_timeFormat(ResultsFormat::timeFormatWithSeconds(locale))
{
}

QString DateTimeText::operator()(const QDateTime& when) const
{
    return m_locale.toString(when.date(), m_dateFormat) + QLatin1Char(' ') +
           m_locale.toString(when.time(), m_timeFormat);
}

QString DateTimeText::fromEpochUs(qint64 us) const
{
    return (*this)(QDateTime::fromMSecsSinceEpoch(us / 1000));
}
