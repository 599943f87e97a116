#include "export/ExportActions.h"

#include "core/AppTexts.h"
#include "core/ErrorBox.h"
#include "core/ErrorLocations.h"
#include "core/GuardedProcedure.h"
#include "core/SessionState.h"
#include "export/AlignedTextWriter.h"
#include "export/ClipboardTextWriter.h"
#include "export/WorkbookWriter.h"
#include "platform/AppError.h"
#include "platform/Clipboard.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgressSink.h"
#include "platform/SpreadsheetLauncher.h"
#include "results/ResultsModel.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <optional>

ExportActions::ExportActions(ResultsModel& results, SessionState& state, ErrorBox& errorBox, MessageBoxes& boxes,
                             FileDialogs& dialogs, Clipboard& clipboard, SpreadsheetLauncher& spreadsheet,
                             ProgressSink& progress, QObject* parent)
    : QObject(parent), m_results(results), m_state(state), m_errorBox(errorBox), m_boxes(boxes), m_dialogs(dialogs),
      m_clipboard(clipboard), m_spreadsheet(spreadsheet), m_progress(progress)
{
}

ResultsSnapshot ExportActions::takeSnapshot() const
{
    return m_snapshotSource ? m_snapshotSource() : m_results.snapshot();
}

QString ExportActions::copiedMessage()
{
    return QStringLiteral("Results have been copied to the clipboard.") + QStringLiteral("\r\r") +
           QStringLiteral("Click a text area where you normally type and press Ctrl+V to paste the clipboard.");
}

QString ExportActions::barName(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

double ExportActions::rowPosition(int row, int rows)
{
    // The head start of rows / 2000 takes big tables slightly past 100 on their last rows (2000 of 2000 is
    // 100.05); the bar clamps that.
    const int headStart = rows / 2000;
    return static_cast<double>(row + headStart) / rows * 100.0;
}

void ExportActions::saveAsText()
{
    GuardedProcedure g(m_errorBox, ErrorLocations::SaveAsText);
    QString title;
    QStringList filters;
    QString fileName;
    g.step(SaveTextStep::SetTitle, [&] { title = QStringLiteral("Save"); });
    g.step(SaveTextStep::SetFilters, [&] {
        filters = {QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")};
    });
    // The dialog asks before replacing a file; its name is used as given, with no extension added.
    g.step(SaveTextStep::AskFileName, [&] { fileName = m_dialogs.saveFile(title, filters); });
    if (fileName.isEmpty()) // cancelled
        return;
    std::optional<BusyPointer> busy; // the pointer comes back on every way out
    g.step(SaveTextStep::ShowBusy, [&] { busy.emplace(m_state); });
    g.step(SaveTextStep::WriteFile, [&] { writeTextFile(fileName); });
    g.step(SaveTextStep::EndBusy, [&] { busy.reset(); });
}

bool ExportActions::writeTextFile(const QString& fileName)
{
    GuardedProcedure g(m_errorBox, ErrorLocations::WriteTextFile);
    const QString barText = QStringLiteral("Writing file: ") + barName(fileName);
    ResultsSnapshot snapshot;
    g.step(WriteTextStep::ShowStart, [&] {
        m_progress.setPosition(1);
        m_progress.setText(barText);
    });
    bool written = g.step(WriteTextStep::TakeSnapshot, [&] {
        snapshot = takeSnapshot();
        m_progress.setPosition(10);
        m_progress.setText(barText);
    });
    if (written) {
        const int rows = static_cast<int>(snapshot.rows.size());
        AlignedTextWriter writer;
        writer.setLineWritten([&](int row) {
            if (row == 0) {
                m_progress.setPosition(20);
                m_progress.setText(barText);
                return;
            }
            m_progress.setPosition(rowPosition(row, rows));
            if (row % 1000 == 0)
                m_progress.setText(barText + QStringLiteral(" (") + QString::number(row) + QLatin1Char(')'));
        });
        // One step for the whole file; a failure names the stage it happened in.
        written = g.step(WriteTextStep::OpenFile, [&] {
            if (writer.writeFile(snapshot, fileName))
                return;
            switch (writer.failure()) {
            case AlignedTextWriter::Failure::Write:
                g.reach(WriteTextStep::WriteLines);
                break;
            case AlignedTextWriter::Failure::Commit:
                g.reach(WriteTextStep::CommitFile);
                break;
            default:
                g.reach(WriteTextStep::OpenFile);
                break;
            }
            throw AppError(writer.errorString());
        });
    }
    if (written) {
        g.step(WriteTextStep::ShowDone, [&] {
            m_progress.setPosition(100);
            m_progress.setText(QStringLiteral("Done."));
        });
    }
    g.step(WriteTextStep::ResetBar, [&] {
        m_progress.setPosition(0);
        m_progress.setText(AppTexts::ProgressIdleText);
    });
    return written;
}

void ExportActions::copyToClipboard()
{
    GuardedProcedure g(m_errorBox, ErrorLocations::CopyToClipboard);
    g.step(CopyStep::CopyRows, [&] { copyRows(); });
    g.step(CopyStep::SayCopied, [&] { m_boxes.information(m_state.applicationTitle, copiedMessage()); });
}

void ExportActions::copyRows()
{
    const ResultsSnapshot snapshot = takeSnapshot();
    if (snapshot.rows.isEmpty())
        return;
    m_clipboard.setText(ClipboardTextWriter::toText(snapshot));
}

bool ExportActions::ensureSpreadsheetInstalled()
{
    if (m_spreadsheet.isInstalled())
        return true;
    m_boxes.information(m_state.applicationTitle,
                        QStringLiteral("Excel is not installed on this computer. You need to have it installed to "
                                       "use this software without error."));
    return false;
}

void ExportActions::saveAsWorkbook()
{
    GuardedProcedure g(m_errorBox, ErrorLocations::SaveAsWorkbook);
    bool installed = false;
    g.step(SaveWorkbookStep::CheckSpreadsheet, [&] {
        installed = ensureSpreadsheetInstalled();
        if (!installed)
            m_boxes.information(m_state.applicationTitle,
                                QStringLiteral("Excel is not installed on this computer. You need to have it "
                                               "installed to use this feature."));
    });
    if (!installed)
        return;
    ResultsSnapshot snapshot;
    bool taken = g.step(SaveWorkbookStep::TakeSnapshot, [&] { snapshot = takeSnapshot(); });
    if (!taken || snapshot.rows.isEmpty())
        return;
    std::optional<BusyPointer> busy;
    g.step(SaveWorkbookStep::ShowBusy, [&] { busy.emplace(m_state); });
    // Calc opens the workbook after this handler has returned, so it is written to a file of its own in
    // the temporary folder and left there; -n opens it as a new document, so it is never saved over.
    QString path;
    const bool written = g.step(SaveWorkbookStep::WriteWorkbook, [&] {
        // Qt gives an empty path when TMPDIR names no folder; that must not become the root folder.
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
        if (folder.isEmpty())
            throw AppError(QStringLiteral("The temporary folder does not exist"));
        QTemporaryFile reserved(folder + QStringLiteral("/Vantrel Results-XXXXXX.xlsx"));
        reserved.setAutoRemove(false);
        if (!reserved.open())
            throw AppError(QStringLiteral("Cannot create a temporary file: %1").arg(reserved.errorString()));
        path = reserved.fileName();
        reserved.close();
        WorkbookWriter writer;
        if (!writer.writeFile(snapshot, path)) {
            QFile::remove(path);
            throw AppError(writer.errorString());
        }
    });
    if (written) {
        g.step(SaveWorkbookStep::OpenWorkbook, [&] {
            if (!m_spreadsheet.openAsNewDocument(path))
                throw AppError(QStringLiteral("Cannot start the spreadsheet application to open %1")
                                   .arg(QDir::toNativeSeparators(path)));
        });
    }
    g.step(SaveWorkbookStep::EndBusy, [&] { busy.reset(); });
}
