#include "export/ColumnWidths.h"

#include "core/CodePointCount.h"

#include <algorithm>

int ColumnWidths::characterCount(QStringView text)
{
    return codePointCount(text);
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
