#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// A strict RFC 4180 reader for the tests: records end in CR LF, quoted fields may hold commas, quotes (doubled)
// and line breaks. Anything else (a bare quote inside a field, a lone LF) makes it give up.
inline std::optional<QList<QStringList>> parseCsv(const QString& text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        if (text.at(i) == QLatin1Char('"')) {
            ++i;
            while (true) {
                if (i >= n)
                    return std::nullopt;
                if (text.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                        field.append(QLatin1Char('"'));
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.append(text.at(i++));
            }
        } else {
            while (i < n && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\r')) {
                if (text.at(i) == QLatin1Char('"') || text.at(i) == QLatin1Char('\n'))
                    return std::nullopt;
                field.append(text.at(i++));
            }
        }
        if (i < n && text.at(i) == QLatin1Char(',')) {
            record.append(field);
            field.clear();
            ++i;
        } else if (i + 1 < n && text.at(i) == QLatin1Char('\r') && text.at(i + 1) == QLatin1Char('\n')) {
            record.append(field);
            field.clear();
            records.append(record);
            record.clear();
            i += 2;
        } else {
            return std::nullopt; // a record must end in CR LF
        }
    }
    return records;
}
