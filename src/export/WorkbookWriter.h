#pragma once

#include "results/ResultsSnapshot.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// The results as an .xlsx workbook of one sheet: the headers in row 1, then one sheet row per results row,
// every value under its own header and an empty text left as a blank cell. Counts, times and TTL go in as
// the numbers the snapshot carries for them, everything else as text. Every "=" is taken out of the texts of
// all columns but the first (the host keeps its own); the columns are sized to their longest text.
class WorkbookWriter
{
public:
    QByteArray toByteArray(const ResultsSnapshot& snapshot);
    bool write(const ResultsSnapshot& snapshot, QIODevice& device);
    // Replaces the file in one go, like the text export: a failure leaves whatever was there.
    bool writeFile(const ResultsSnapshot& snapshot, const QString& fileName);

    QString errorString() const { return m_errorString; }

    // The kinds a sheet holds as numbers rather than as text.
    static bool isNumberKind(CellKind kind);
    // The text as the sheet shows it.
    static QString cellText(const QString& text, qsizetype column);
    // The width, in the sheet's character units, of a column whose longest text has that many characters.
    static double fittedWidth(int characters);

private:
    // libxlsxwriter only writes to a named file, so every layer goes through this.
    bool writeWorkbook(const ResultsSnapshot& snapshot, const QString& path);

    QString m_errorString;
};
