#include "ExportActions.h"

ExportActions::ExportActions(ResultsModel& results, SessionState& state, ErrorBox& errorBox, MessageBoxes& boxes,
                             FileDialogs& dialogs, Clipboard& clipboard, SpreadsheetLauncher& spreadsheet,
                             ProgressSink& progress, QObject* parent)
    : QObject(parent), m_results(results), m_state(state), m_errorBox(errorBox), m_boxes(boxes), m_dialogs(dialogs),
      m_clipboard(clipboard), m_spreadsheet(spreadsheet), m_progress(progress)
{
}

void ExportActions::PushButton4_Click() {}
void ExportActions::PushButton13_Click() {}
void ExportActions::PushButton5_Click() {}
