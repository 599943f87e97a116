#include "core/DateTimeText.h"

#include "core/ResultsFormat.h"

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
