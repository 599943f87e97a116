#pragma once

#include <QObject>
#include <QStringList>

class ErrorBox;
class FileDialogs;
class HostListModel;
class InputBox;
class MessageBoxes;
class ResultsModel;
class SessionState;

// The hand edits of the host list and the loading of list files.
class HostListActions : public QObject
{
    Q_OBJECT
public:
    // Where the error box says each handler stopped. Users quote these numbers in reports, so they never
    // change.
    struct AddHostStep {
        enum : int {
            AskHost = 100,
            ExpandRange = 102,
            AppendHost = 104,
            ClearResults = 106,
            MarkHostListChanged = 108
        };
    };
    struct ClearListStep {
        enum : int { ClearHosts = 100 };
    };
    struct SampleDataStep {
        enum : int { AppendFirst = 100, AppendSecond = 102, AppendThird = 104 };
    };
    // Choosing the files and loading them are one handler to the user.
    struct LoadListStep {
        enum : int {
            AskFiles = 108,
            CollectFiles = 116,
            LoadOneFile = 120,
            LoadSeveralFiles = 122,
            LoadFile = 134,
            ClearResults = 136,
            MarkHostListChanged = 138,
            Finish = 142
        };
    };

    HostListActions(HostListModel& hosts, ResultsModel& results, SessionState& state, ErrorBox& errorBox,
                    MessageBoxes& boxes, InputBox& input, FileDialogs& dialogs, QObject* parent = nullptr);

    static QString loadDialogTitle()
    {
        return QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files");
    }
    static QStringList fileFilters() { return {QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")}; }
    static QStringList sampleHosts();
    // A range typed into "Add One Host Name/IP" that gives more hosts than this asks first.
    static constexpr int AskAboveHosts = 1024;

    void addHost();         // "Add One Host Name/IP"; a range adds its addresses
    void clearList();       // "Clear List"
    void loadSampleData();  // "Load Sample/Example Data"
    void chooseListFiles(); // "Load List From Text File"
    // Double-click or Delete on the host list: removes the selected entry (-1: none selected).
    void removeSelected(int row);
    // Delete with several entries selected: removes them all, under the same rules.
    void removeRows(QList<int> rows);

    // Loads the chosen files in a worker thread and appends their entries in order; loadFinished follows.
    void loadFiles(const QStringList& paths);
    bool isLoading() const { return m_loads > 0; }

Q_SIGNALS:
    void loadFinished();

private:
    HostListModel& m_hosts;
    ResultsModel& m_results;
    SessionState& m_state;
    ErrorBox& m_errorBox;
    MessageBoxes& m_boxes;
    InputBox& m_input;
    FileDialogs& m_dialogs;
    int m_loads = 0;
};
