#pragma once

#include "app/headless/HeadlessOptions.h"

#include <QFile>

class ResultsModel;

// Where and how the headless run writes its results: the whole table once at the end (aligned text, a workbook
// for a .xlsx file, or CSV), or with JSON lines every row after every round, to the output file or standard
// output.
class ResultsOutput
{
public:
    ResultsOutput(HeadlessOptions::Format format, QString fileName);

    // Opens what must stay open through the run (JSON lines); false and errorString when it cannot.
    bool open();
    bool writeRound(const ResultsModel& results, qint64 round);
    bool writeFinal(const ResultsModel& results);
    // The table as text or CSV to an open device; false and errorString when the device refuses it. Written a
    // slice of rows at a time, never as a copy of the whole table: with many hosts that copy would cost more
    // memory than the run itself.
    bool writeTable(const ResultsModel& results, QIODevice& device);
    QString errorString() const { return m_errorString; }

private:
    bool writeTableFile(const ResultsModel& results);

    HeadlessOptions::Format m_format;
    QString m_fileName; // standard output when empty
    QFile m_lines;
    QString m_errorString;
};
