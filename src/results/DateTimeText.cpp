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
    // The cells show whole seconds, so one second's text stands for every microsecond in it.
    const qint64 second = us >= 0 ? us / 1000000 : -((-us + 999999) / 1000000);
    if (second != m_cachedSecond) {
        m_cachedText = (*this)(QDateTime::fromSecsSinceEpoch(second));
        m_cachedSecond = second;
    }
    return m_cachedText;
}
