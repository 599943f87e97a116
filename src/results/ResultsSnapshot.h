#pragma once

#include <QList>
#include <QStringList>
#include <optional>

// What the cells of a results column hold, so that an export can write each cell as the value it is
// instead of reading its text back.
enum class CellKind : quint8 {
    Text,         // host, reply address, status, description
    Count,        // echoes that succeeded or failed
    Milliseconds, // a round-trip time
    Ttl,
    Percent, // the share of failures, two decimals and "%"
    Date,    // a date and time written in the table's locale
};

// The results table as the exports see it: captions, cell texts and the numbers behind them, copied once
// when an export starts so that rounds running meanwhile cannot change what is being written. Every row
// counts as ticked.
struct ResultsSnapshot {
    QStringList headers;
    QList<QStringList> rows; // each row holds one text per header, column 0 first
    // The typed side, optional so that a table of texts alone can be given as {headers, rows}.
    QList<CellKind> kinds = {}; // one per header; a column without one holds text
    // Row by row beside rows: the whole number a Count, Milliseconds or Ttl cell shows; none for an empty
    // cell and for the other kinds.
    QList<QList<std::optional<qint64>>> numbers = {};

    CellKind kind(qsizetype column) const { return kinds.value(column, CellKind::Text); }
    std::optional<qint64> number(qsizetype row, qsizetype column) const { return numbers.value(row).value(column); }
};
