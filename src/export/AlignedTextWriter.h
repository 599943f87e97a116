#pragma once

#include "results/ResultsSnapshot.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class QIODevice;

// The results as a text file that lines up in a fixed-width font: a header line, then one line per row.
// Every cell is its text padded with blanks to the column's width and followed by a TAB, the last cell too,
// and every line ends in CR LF. A column is as wide as its longest text, the header included. Nothing is
// trimmed, quoted or escaped. UTF-8 without a byte order mark; widths as ColumnWidths counts them.
class AlignedTextWriter
{
public:
    enum class Failure { None, Open, Write, Commit };

    // Called with 0 once the header line is out, then with the 1-based number of each row written.
    void setLineWritten(std::function<void(int row)> callback) { m_lineWritten = std::move(callback); }

    QByteArray toByteArray(const ResultsSnapshot& snapshot);
    // Writes to an open device; false (and errorString) when the device refuses a line.
    bool write(const ResultsSnapshot& snapshot, QIODevice& device);
    // Replaces the file in one go: on any failure the file that was there stays as it was and no partial
    // file is left behind.
    bool writeFile(const ResultsSnapshot& snapshot, const QString& fileName);

    Failure failure() const { return m_failure; }
    QString errorString() const { return m_errorString; }

    // One line of the file, its CR LF included.
    static QByteArray line(const QStringList& cells, const QList<int>& widths);
    // One cell of a line, appended: the text, the blanks up to width and the TAB. A line is its cells in order,
    // then CR LF.
    static void appendCell(QByteArray& out, QStringView text, int width);

private:
    std::function<void(int)> m_lineWritten;
    Failure m_failure = Failure::None;
    QString m_errorString;
};
