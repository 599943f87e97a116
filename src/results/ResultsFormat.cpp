#include "results/ResultsFormat.h"

#include "results/DateTimeText.h"

#include <QRegularExpression>

namespace ResultsFormat
{

qint64 divideHalfEven(quint64 n, quint64 d)
{
    quint64 q = n / d;
    const quint64 r = n % d;
    // Compare 2r with d without overflowing: r < d, so d - r > 0.
    if (r > d - r || (r == d - r && (q & 1)))
        ++q;
    return static_cast<qint64>(q);
}

qint64 failedHundredths(quint64 succeeded, quint64 failed)
{
    // failed * 10000 stays far inside 64 bits for any count a run can reach.
    return divideHalfEven(failed * 10000u, succeeded + failed);
}

QString failedPercent(qint64 succeeded, qint64 failed)
{
    const quint64 total = static_cast<quint64>(succeeded) + static_cast<quint64>(failed);
    if (total == 0)
        return {};
    const qint64 hundredths = failedHundredths(static_cast<quint64>(succeeded), static_cast<quint64>(failed));
    // "12.34%": written by hand, as every row has one.
    QString text = QString::number(hundredths / 100);
    const int rest = static_cast<int>(hundredths % 100);
    text += QLatin1Char('.');
    text += QLatin1Char(char('0' + rest / 10));
    text += QLatin1Char(char('0' + rest % 10));
    text += QLatin1Char('%');
    return text;
}

std::optional<qint64> averageMs(quint64 sum, quint64 count)
{
    if (count == 0)
        return std::nullopt;
    return divideHalfEven(sum, count);
}

QString timeFormatWithSeconds(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    // Drop the time-zone designator and the blanks beside it; the table shows local time.
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    format.replace(zone, QStringLiteral(" "));
    format = format.trimmed();
    if (!format.contains(QLatin1Char('s')))
        format = locale.timeFormat(QLocale::ShortFormat).replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
    return format;
}

QString withFullYear(const QString& dateFormat)
{
    QString out;
    out.reserve(dateFormat.size() + 2);
    bool quoted = false;
    for (qsizetype i = 0; i < dateFormat.size();) {
        const QChar c = dateFormat.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted; // '' inside or outside quotes toggles twice and stays one literal quote
            out.append(c);
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < dateFormat.size() && dateFormat.at(i + run) == c)
            ++run;
        // Qt reads "yyy" as "yy" too; a lone "y" is no year in a Qt format.
        if (!quoted && c == QLatin1Char('y') && (run == 2 || run == 3))
            out.append(QStringLiteral("yyyy"));
        else
            out.append(dateFormat.mid(i, run));
        i += run;
    }
    return out;
}

QString dateTime(const QLocale& locale, const QDateTime& when)
{
    return DateTimeText(locale)(when);
}

} // namespace ResultsFormat
