#pragma once

#include "results/ResultsSnapshot.h"

#include <QList>
#include <QStringView>

// How wide each column of an aligned export is. Widths are counted in Unicode code points: "höst" is 4 and
// a name in CJK or an emoji outside the BMP counts one per character, not per UTF-16 unit or UTF-8 byte.
// Combining marks count as characters of their own, and wide glyphs count once: the exports line up in a
// fixed-width font for the texts ping results hold, not for every script.
class ColumnWidths
{
public:
    static int characterCount(QStringView text);

    // One width per header: the longest text of the column over all rows, and over the header too when
    // withHeaders. A row shorter than the headers counts as holding empty texts.
    static QList<int> measure(const ResultsSnapshot& snapshot, bool withHeaders);
};
