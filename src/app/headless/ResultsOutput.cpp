#include "app/headless/ResultsOutput.h"

#include "export/AlignedTextWriter.h"
#include "export/ColumnWidths.h"
#include "export/CsvWriter.h"
#include "export/JsonLinesWriter.h"
#include "export/WorkbookWriter.h"
#include "results/ResultsModel.h"

#include <QDateTime>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>

namespace
{
// Rows written to the device at a time: the text of a few hundred lines, never a copy of the whole table.
constexpr int RowsPerWrite = 256;
} // namespace

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
    if (!writer.write(results.table(), round, QDateTime::currentDateTime(), m_lines) || !m_lines.flush()) {
        m_errorString = writer.errorString().isEmpty() ? m_lines.errorString() : writer.errorString();
        return false;
    }
    return true;
}

bool ResultsOutput::writeTable(const ResultsModel& results, QIODevice& device)
{
    const bool csv = m_format == HeadlessOptions::Format::Csv;
    const QStringList captions = ResultsModel::captions();
    const int rows = results.count();
    QList<int> widths;
    if (!csv) {
        // As the text file writer measures them: the longest text of each column, the header included.
        widths = ColumnWidths::measure(ResultsSnapshot{captions, {}}, true);
        for (int i = 0; i < rows; ++i) {
            for (int c = 0; c < ResultsModel::ColumnCount; ++c)
                widths[c] = std::max(widths[c], results.cellWidth(i, c));
        }
    }
    QByteArray bytes = csv ? CsvWriter::record(captions) : AlignedTextWriter::line(captions, widths);
    QStringList fields;
    for (int i = 0; i < rows; ++i) {
        if (csv) {
            fields.clear();
            for (int c = 0; c < ResultsModel::ColumnCount; ++c)
                fields.append(results.cellText(i, c));
            bytes.append(CsvWriter::record(fields));
        } else {
            for (int c = 0; c < ResultsModel::ColumnCount; ++c)
                AlignedTextWriter::appendCell(bytes, results.cellText(i, c), widths[c]);
            bytes.append("\r\n", 2);
        }
        if ((i + 1) % RowsPerWrite == 0 || i + 1 == rows) {
            if (device.write(bytes) != bytes.size()) {
                m_errorString = device.errorString();
                return false;
            }
            bytes.resize(0); // keeps its room for the next rows
        }
    }
    if (rows == 0 && device.write(bytes) != bytes.size()) {
        m_errorString = device.errorString();
        return false;
    }
    return true;
}

bool ResultsOutput::writeTableFile(const ResultsModel& results)
{
    // Replaced in one go, as the window's text file: a failure leaves the file that was there.
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        m_errorString = QStringLiteral("Cannot create %1: %2").arg(m_fileName, file.errorString());
        return false;
    }
    if (!writeTable(results, file) || !file.flush()) {
        m_errorString = QStringLiteral("Cannot write %1: %2").arg(m_fileName, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_errorString = QStringLiteral("Cannot save %1: %2").arg(m_fileName, file.errorString());
        return false;
    }
    return true;
}

bool ResultsOutput::writeFinal(const ResultsModel& results)
{
    if (m_format == HeadlessOptions::Format::JsonLines)
        return true; // written round by round
    if (m_fileName.isEmpty()) {
        QFile out;
        const bool ok = out.open(stdout, QIODevice::WriteOnly) && writeTable(results, out) && out.flush();
        m_errorString = ok ? QString() : QStringLiteral("cannot write the results to standard output");
        return ok;
    }
    if (m_format == HeadlessOptions::Format::Text && m_fileName.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        WorkbookWriter writer;
        const bool ok = writer.writeFile(results.snapshot(), m_fileName);
        m_errorString = writer.errorString();
        return ok;
    }
    return writeTableFile(results);
}
