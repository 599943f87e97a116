#include "export/ColumnWidths.h"

#include <algorithm>

int ColumnWidths::characterCount(QStringView text)
{
    qsizetype count = text.size();
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate()) {
            --count; // the pair is one character
            ++i;
        }
    }
    return static_cast<int>(count);
}

QList<int> ColumnWidths::measure(const ResultsSnapshot& snapshot, bool withHeaders)
{
    const qsizetype columns = snapshot.headers.size();
    QList<int> widths(columns, 0);
    if (withHeaders) {
        for (qsizetype c = 0; c < columns; ++c)
            widths[c] = characterCount(snapshot.headers.at(c));
    }
    for (const QStringList& row : snapshot.rows) {
        const qsizetype cells = std::min(columns, row.size());
        for (qsizetype c = 0; c < cells; ++c)
            widths[c] = std::max(widths.at(c), characterCount(row.at(c)));
    }
    return widths;
}
