#pragma once

#include <QObject>
#include <QString>
#include <functional>

struct ResultsSnapshot;

class Clipboard;
class ErrorBox;
class FileDialogs;
class MessageBoxes;
class ProgressSink;
class ResultsModel;
class SessionState;
class SpreadsheetLauncher;

// The three ways the results leave the program: an aligned text file, the clipboard and a workbook.
// Each works on a snapshot of the table taken when it starts; the writers know nothing of widgets.
class ExportActions : public QObject
{
    Q_OBJECT
public:
    // Where the error box says each handler stopped. Users quote these numbers in reports, so they never
    // change.
    struct SaveTextStep {
        enum : int {
            SetTitle = 108,
            SetFilters = 110,
            AskFileName = 112,
            ShowBusy = 118,
            WriteFile = 120,
            EndBusy = 122
        };
    };
    struct WriteTextStep {
        enum : int {
            ShowStart = 100,
            TakeSnapshot = 104,
            OpenFile = 156,
            WriteLines = 216,
            CommitFile = 232,
            ShowDone = 234,
            ResetBar = 236
        };
    };
    struct CopyStep {
        enum : int { CopyRows = 106, SayCopied = 108 };
    };
    struct SaveWorkbookStep {
        enum : int {
            CheckSpreadsheet = 100,
            TakeSnapshot = 108,
            ShowBusy = 110,
            WriteWorkbook = 112,
            OpenWorkbook = 114,
            EndBusy = 116
        };
    };

    ExportActions(ResultsModel& results, SessionState& state, ErrorBox& errorBox, MessageBoxes& boxes,
                  FileDialogs& dialogs, Clipboard& clipboard, SpreadsheetLauncher& spreadsheet, ProgressSink& progress,
                  QObject* parent = nullptr);

    void saveAsText();      // "Save Results As Text File"
    void saveAsWorkbook();  // "Save Results As Excel File"
    void copyToClipboard(); // "Copy Results To Clipboard"

    // Writes the whole table to the file, reporting on the progress bar; a failure shows one error box.
    // True when the file was written.
    bool writeTextFile(const QString& fileName);
    // Puts the rows on the clipboard; an empty table leaves the clipboard as it was.
    void copyRows();
    // False, after saying so, when there is no spreadsheet application to open the workbook with.
    bool ensureSpreadsheetInstalled();

    // Where the exports take their snapshot from; by default the whole table in its own order. The window
    // gives the rows in the order it shows them.
    void setSnapshotSource(std::function<ResultsSnapshot()> source) { m_snapshotSource = std::move(source); }

    static QString copiedMessage();
    // The name the progress bar shows: what follows the last "/", or the whole path.
    static QString barName(const QString& path);
    // Where the bar stands once `row` of `rows` rows are written.
    static double rowPosition(int row, int rows);

private:
    ResultsModel& m_results;
    SessionState& m_state;
    ErrorBox& m_errorBox;
    MessageBoxes& m_boxes;
    FileDialogs& m_dialogs;
    Clipboard& m_clipboard;
    SpreadsheetLauncher& m_spreadsheet;
    ProgressSink& m_progress;
    std::function<ResultsSnapshot()> m_snapshotSource;

    ResultsSnapshot takeSnapshot() const;
};
