#include "ResultsOutput.h"

#include "AlignedTextWriter.h"
#include "CsvWriter.h"
#include "JsonLinesWriter.h"
#include "ResultsModel.h"
#include "WorkbookWriter.h"

#include <QDateTime>

#include <cstdio>

ResultsOutput::ResultsOutput(HeadlessOptions::Format format, QString fileName)
    : m_format(format), m_fileName(std::move(fileName))
{
}

bool ResultsOutput::open()
{
    if (m_format != HeadlessOptions::Format::JsonLines)
        return true;
    bool ok = false;
    if (m_fileName.isEmpty()) {
        ok = m_lines.open(stdout, QIODevice::WriteOnly);
    } else {
        m_lines.setFileName(m_fileName);
        ok = m_lines.open(QIODevice::WriteOnly | QIODevice::Truncate);
    }
    if (!ok)
        m_errorString = m_lines.errorString();
    return ok;
}

bool ResultsOutput::writeRound(const ResultsModel& results, qint64 round)
{
    if (m_format != HeadlessOptions::Format::JsonLines)
        return true;
    JsonLinesWriter writer;
    if (!writer.write(results, round, QDateTime::currentDateTime(), m_lines) || !m_lines.flush()) {
        m_errorString = writer.errorString().isEmpty() ? m_lines.errorString() : writer.errorString();
        return false;
    }
    return true;
}

bool ResultsOutput::writeFinal(const ResultsModel& results)
{
    if (m_format == HeadlessOptions::Format::JsonLines)
        return true; // written round by round
    const bool csv = m_format == HeadlessOptions::Format::Csv;
    const ResultsSnapshot snapshot = results.snapshot();
    bool ok = false;
    if (m_fileName.isEmpty()) {
        QFile out;
        ok = out.open(stdout, QIODevice::WriteOnly);
        if (csv) {
            CsvWriter writer;
            ok = ok && writer.write(snapshot, out);
        } else {
            AlignedTextWriter writer;
            ok = ok && writer.write(snapshot, out);
        }
        ok = ok && out.flush();
        m_errorString = ok ? QString() : QStringLiteral("cannot write the results to standard output");
    } else if (csv) {
        CsvWriter writer;
        ok = writer.writeFile(snapshot, m_fileName);
        m_errorString = writer.errorString();
    } else if (m_fileName.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        WorkbookWriter writer;
        ok = writer.writeFile(snapshot, m_fileName);
        m_errorString = writer.errorString();
    } else {
        AlignedTextWriter writer;
        ok = writer.writeFile(snapshot, m_fileName);
        m_errorString = writer.errorString();
    }
    return ok;
}
