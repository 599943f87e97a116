#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <optional>

// How the results table writes its numbers and times.
namespace ResultsFormat
{
// n / d rounded to a whole number, halves to even. d must be positive.
qint64 divideHalfEven(quint64 n, quint64 d);
// The share of failures in percent with two decimals, halves to even, then "%": 1 of 8 is "12.50%".
QString failedPercent(qint64 succeeded, qint64 failed);
// What failedPercent writes, in hundredths of a percent; the total must not be 0.
qint64 failedHundredths(quint64 succeeded, quint64 failed);
// The mean of the round-trip times, whole milliseconds, halves to even; none before the first.
std::optional<qint64> averageMs(quint64 sum, quint64 count);
// The locale's short date with a four-digit year, a blank and the time with seconds. A two-digit year is
// ambiguous once results are kept for years; the locale's order and separators stay.
QString dateTime(const QLocale& locale, const QDateTime& when);
// The date format with every two-digit year ("yy") widened to four digits; quoted text is left alone.
QString withFullYear(const QString& dateFormat);
// The locale's time format with seconds and without a time zone.
QString timeFormatWithSeconds(const QLocale& locale);
} // namespace ResultsFormat
