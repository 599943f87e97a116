#pragma once

#include <QList>
#include <QStringList>

// The results table as the exports see it: captions and cell texts, copied once when an export starts so
// that rounds running meanwhile cannot change what is being written. Every row counts as ticked.
struct ResultsSnapshot {
    QStringList headers;
    QList<QStringList> rows; // each row holds one text per header, column 0 first
};
