#pragma once

#include "app/gui/Services.h"
#include "monitor/StatusSummary.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QWidget>

class ErrorBox;
class ExportActions;
class HostDetailsWindows;
class HostListActions;
class HostListAutosave;
class HostListModel;
class Monitor;
class MonitorSession;
class OnlineCheck;
class ProgressBarSink;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeView;
class QAction;
class QEvent;
class QTimer;
class ResultsModel;
class ResultsViewProxy;
class SessionState;
class WindowLayout;

// The program's one window: the host list, the buttons, the results table and the pause field.
// Handlers stay thin; the work is done by the actions of the host list, the monitor and the exports.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    // The window shows and edits the session's host list and results; the session outlives it.
    MainWindow(MonitorSession& session, Services services, QString programFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence; runs before the window first shows.
    void startUp();
    // The start/stop button's work, for other ways in (the tray).
    void startOrStop();
    // Entries of the results table's context menu; their shortcuts work anywhere in the window.
    void addResultsActions(const QList<QAction*>& actions);

    // Saves the host list now, on termination signals and at session end, when no box can be answered.
    void saveHostListNow();
    // Adds an entry to the results table's context menu; the window shows its shortcut while it lives.
    void addResultsAction(QAction* action);
    // The results table's rows that are selected, as rows of the results model, in the order shown.
    QList<int> selectedResultRows() const;
    // A passing note (a failure outside the window's own work, such as posting alerts) in place of the
    // summary line for a while; its tooltip keeps it.
    void showStatus(const QString& note);
    static constexpr int StatusNoteMs = 15000;

    // The window's size at start, in pixels: wide enough for both tables and tall enough to show the pause row.
    static constexpr int ClientWidth = 536;
    static constexpr int ClientHeight = 528;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void setUpColumns();
    void saveHostList();
    void applyPointer();
    int selectedRow(QTreeView* view) const;
    // The extensions of the fixed window: menus, shortcuts, sorting, the summary line (MainWindowActions.cpp).
    void buildExtensions();
    void removeSelectedHosts();
    void deleteSelectedResults();
    void copySelectedResults();
    bool acceptListFileDrop(QEvent* event);
    void refreshSummary();
    void restoreWindowSettings();
    void saveWindowSettings();

    MonitorSession& m_session;
    Services m_services;
    QString m_programFolder;
    SessionState* m_state;
    HostListModel* m_hostList;
    ResultsModel* m_results;
    ErrorBox* m_errorBox;
    ProgressBarSink* m_progressSink;
    HostListActions* m_hostActions;
    Monitor* m_monitor = nullptr;
    ExportActions* m_exportActions;
    OnlineCheck* m_onlineCheck;
    HostListAutosave* m_autosave;
    HostDetailsWindows* m_detailsWindows;
    QCursor m_handCursor;
    QTreeView* m_hostView = nullptr;
    QTreeView* m_resultsView = nullptr;
    QPushButton* m_addHostButton = nullptr;
    QPushButton* m_loadListButton = nullptr;
    QPushButton* m_clearListButton = nullptr;
    QPushButton* m_sampleDataButton = nullptr;
    QPushButton* m_startStopButton = nullptr;
    QPushButton* m_saveTextButton = nullptr;
    QPushButton* m_saveWorkbookButton = nullptr;
    QPushButton* m_copyButton = nullptr;
    QPushButton* m_clearResultsButton = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_pauseLabel = nullptr;
    QLineEdit* m_pauseEdit = nullptr;
    QLabel* m_secondsLabel = nullptr;
    QLabel* m_summaryLabel = nullptr;
    WindowLayout* m_layout = nullptr;
    ResultsViewProxy* m_resultsProxy = nullptr;
    QTimer* m_summaryTimer = nullptr;
    bool m_summaryStale = true;
    StatusSummary m_counted;    // the counts last taken
    QElapsedTimer m_sinceCount; // since they were taken
    qint64 m_countCostMs = 0;   // what taking them cost
    qint64 m_lastRoundMs = -1;
    QAction* m_startStopAction = nullptr;
    QAction* m_addHostAction = nullptr;
    QAction* m_loadListAction = nullptr;
    QAction* m_removeHostsAction = nullptr;
    QAction* m_clearListAction = nullptr;
    QAction* m_sampleDataAction = nullptr;
    QAction* m_copyRowsAction = nullptr;
    QAction* m_failingOnlyAction = nullptr;
    QAction* m_deleteRowsAction = nullptr;
    QAction* m_saveTextAction = nullptr;
    QAction* m_saveWorkbookAction = nullptr;
    QAction* m_copyAllAction = nullptr;
    QAction* m_clearResultsAction = nullptr;

    bool m_closed = false;
    QString m_statusNote;
    QElapsedTimer m_statusNoteShown;
};
