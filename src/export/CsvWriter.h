#pragma once

#include "results/ResultsSnapshot.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// The results as CSV after RFC 4180: the header row, then one record per row, every record the twelve fields,
// CR LF after each. A field that holds a comma, a double quote, CR or LF is put in double quotes, with its
// double quotes doubled. UTF-8 without a byte order mark.
class CsvWriter
{
public:
    static QByteArray record(const QStringList& fields);
    QByteArray toByteArray(const ResultsSnapshot& snapshot);
    // Writes to an open device; false (and errorString) when the device refuses a record.
    bool write(const ResultsSnapshot& snapshot, QIODevice& device);
    // Replaces the file in one go, as the text file does.
    bool writeFile(const ResultsSnapshot& snapshot, const QString& fileName);
    QString errorString() const { return m_errorString; }

private:
    QString m_errorString;
};
