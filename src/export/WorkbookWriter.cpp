#include "export/WorkbookWriter.h"

#include "export/ColumnWidths.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <algorithm>
#include <xlsxwriter.h>

namespace
{

QString libraryError(lxw_error error)
{
    return QString::fromUtf8(lxw_strerror(error));
}

} // namespace

bool WorkbookWriter::isNumberKind(CellKind kind)
{
    // Percent and dates stay the texts the table shows: a sheet would reformat them in its own way.
    return kind == CellKind::Count || kind == CellKind::Milliseconds || kind == CellKind::Ttl;
}

QString WorkbookWriter::cellText(const QString& text, qsizetype column)
{
    if (column == 0)
        return text;
    return QString(text).remove(QLatin1Char('='));
}

double WorkbookWriter::fittedWidth(int characters)
{
    // A character unit is the width of a digit; letters run a little wider, and a cell wants a margin.
    return std::min(255.0, characters * 1.1 + 1.0);
}

bool WorkbookWriter::writeWorkbook(const ResultsSnapshot& snapshot, const QString& path)
{
    const QByteArray encodedPath = QFile::encodeName(path);
    lxw_workbook* workbook = workbook_new(encodedPath.constData());
    if (!workbook) {
        m_errorString = QStringLiteral("Cannot create the workbook %1").arg(path);
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Results");
    if (!sheet) {
        workbook_close(workbook);
        m_errorString = QStringLiteral("Cannot add a sheet to the workbook %1").arg(path);
        return false;
    }

    const qsizetype columns = snapshot.headers.size();
    QList<int> widths(columns, 0);
    QList<bool> numeric(columns, false);
    lxw_error error = LXW_NO_ERROR;
    for (qsizetype c = 0; c < columns && error == LXW_NO_ERROR; ++c) {
        const QString& header = snapshot.headers.at(c);
        numeric[c] = isNumberKind(snapshot.kind(c));
        widths[c] = ColumnWidths::characterCount(header);
        error = worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), header.toUtf8().constData(), nullptr);
    }
    for (qsizetype r = 0; r < snapshot.rows.size() && error == LXW_NO_ERROR; ++r) {
        const QStringList& cells = snapshot.rows.at(r);
        const auto sheetRow = static_cast<lxw_row_t>(r + 1);
        for (qsizetype c = 0; c < columns && error == LXW_NO_ERROR; ++c) {
            const QString text = cellText(cells.value(c), c);
            if (text.isEmpty())
                continue; // a blank cell, and the next value stays under its own header
            widths[c] = std::max(widths.at(c), ColumnWidths::characterCount(text));
            const auto column = static_cast<lxw_col_t>(c);
            const std::optional<qint64> number = numeric.at(c) ? snapshot.number(r, c) : std::nullopt;
            if (number)
                error = worksheet_write_number(sheet, sheetRow, column, static_cast<double>(*number), nullptr);
            else
                error = worksheet_write_string(sheet, sheetRow, column, text.toUtf8().constData(), nullptr);
        }
    }
    // libxlsxwriter 1.1.4 has no worksheet_autofit(), so the widths measured above stand in for it.
    for (qsizetype c = 0; c < columns && error == LXW_NO_ERROR; ++c) {
        const auto column = static_cast<lxw_col_t>(c);
        error = worksheet_set_column(sheet, column, column, fittedWidth(widths.at(c)), nullptr);
    }
    if (error != LXW_NO_ERROR) {
        m_errorString = QStringLiteral("Cannot write the workbook %1: %2").arg(path, libraryError(error));
        workbook_close(workbook); // frees it; the half-made file is removed below
        QFile::remove(path);
        return false;
    }
    error = workbook_close(workbook);
    if (error != LXW_NO_ERROR) {
        m_errorString = QStringLiteral("Cannot save the workbook %1: %2").arg(path, libraryError(error));
        QFile::remove(path);
        return false;
    }
    return true;
}

QByteArray WorkbookWriter::toByteArray(const ResultsSnapshot& snapshot)
{
    m_errorString.clear();
    QTemporaryDir folder;
    if (!folder.isValid()) {
        m_errorString = QStringLiteral("Cannot create a temporary folder: %1").arg(folder.errorString());
        return {};
    }
    const QString path = folder.filePath(QStringLiteral("results.xlsx"));
    if (!writeWorkbook(snapshot, path))
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_errorString = QStringLiteral("Cannot read back %1: %2").arg(path, file.errorString());
        return {};
    }
    return file.readAll();
}

bool WorkbookWriter::write(const ResultsSnapshot& snapshot, QIODevice& device)
{
    const QByteArray bytes = toByteArray(snapshot);
    if (bytes.isEmpty())
        return false;
    if (device.write(bytes) != bytes.size()) {
        m_errorString = device.errorString();
        return false;
    }
    return true;
}

bool WorkbookWriter::writeFile(const ResultsSnapshot& snapshot, const QString& fileName)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        m_errorString = QStringLiteral("Cannot create %1: %2").arg(fileName, file.errorString());
        return false;
    }
    if (!write(snapshot, file)) {
        if (file.error() != QFileDevice::NoError && !file.flush()) // see AlignedTextWriter::writeFile
            m_errorString = file.errorString();
        m_errorString = QStringLiteral("Cannot write %1: %2").arg(fileName, m_errorString);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_errorString = QStringLiteral("Cannot save %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return true;
}
