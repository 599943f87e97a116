#pragma once

#include "results/ResultsSnapshot.h"

#include <QList>
#include <QString>

class QIODevice;

// The results as text to paste: no header line, and columns only as wide as their cells (an all-empty
// column is 0 wide). Every cell but the last is padded and followed by a TAB; the last cell is not padded,
// blanks at the end of a line are dropped (a TAB stays), and every line ends in CR LF.
class ClipboardTextWriter
{
public:
    static QString toText(const ResultsSnapshot& snapshot);
    // The same text as UTF-8, for sinks that take bytes.
    static bool write(const ResultsSnapshot& snapshot, QIODevice& device, QString* errorString = nullptr);

    // One line, its CR LF included.
    static QString line(const QStringList& cells, const QList<int>& widths);
};
