#pragma once

#include <QObject>

class Clipboard;
class ErrorBox;
class FileDialogs;
class MessageBoxes;
class ProgressSink;
class ResultsModel;
class SessionState;
class SpreadsheetLauncher;

// The three ways the results leave the program: an aligned text file, the clipboard and a workbook.
class ExportActions : public QObject {
    Q_OBJECT
public:
    ExportActions(ResultsModel& results, SessionState& state, ErrorBox& errorBox, MessageBoxes& boxes,
                  FileDialogs& dialogs, Clipboard& clipboard, SpreadsheetLauncher& spreadsheet,
                  ProgressSink& progress, QObject* parent = nullptr);

    void PushButton4_Click();  // "Save Results As Text File"
    void PushButton13_Click(); // "Save Results As Excel File"
    void PushButton5_Click();  // "Copy Results To Clipboard"

private:
    ResultsModel& m_results;
    SessionState& m_state;
    ErrorBox& m_errorBox;
    MessageBoxes& m_boxes;
    FileDialogs& m_dialogs;
    Clipboard& m_clipboard;
    SpreadsheetLauncher& m_spreadsheet;
    ProgressSink& m_progress;
};
