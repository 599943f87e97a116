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
constexpr int SliceRows = 4096;

// Rows first .. first + SliceRows - 1 as cell texts, the captions as headers.
ResultsSnapshot slice(const ResultsModel& results, int first)
{
    ResultsSnapshot s;
    s.headers = ResultsModel::captions();
    const int end = std::min(results.count(), first + SliceRows);
    s.rows.reserve(end - first);
    for (int i = first; i < end; ++i) {
        QStringList cells;
        cells.reserve(ResultsModel::ColumnCount);
        for (int c = 0; c < ResultsModel::ColumnCount; ++c)
            cells.append(results.cellText(i, c));
        s.rows.append(std::move(cells));
    }
    return s;
}
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
    QList<int> widths;
    if (!csv) {
        // As the text file writer measures them: the longest text of each column, the header included.
        widths = ColumnWidths::measure(ResultsSnapshot{ResultsModel::captions(), {}}, true);
        for (int first = 0; first < results.count(); first += SliceRows) {
            const QList<int> some = ColumnWidths::measure(slice(results, first), false);
            for (qsizetype c = 0; c < widths.size(); ++c)
                widths[c] = std::max(widths[c], some.value(c));
        }
    }
    auto line = [&](const QStringList& cells) {
        return csv ? CsvWriter::record(cells) : AlignedTextWriter::line(cells, widths);
    };
    QByteArray bytes = line(ResultsModel::captions());
    for (int first = 0; first < results.count(); first += SliceRows) {
        for (const QStringList& cells : slice(results, first).rows)
            bytes.append(line(cells));
        if (device.write(bytes) != bytes.size()) {
            m_errorString = device.errorString();
            return false;
        }
        bytes.clear();
    }
    if (!bytes.isEmpty() && device.write(bytes) != bytes.size()) {
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
