#pragma once

#include "Services.h"

#include <QCursor>
#include <QWidget>

class ErrorBox;
class ExportActions;
class HostListActions;
class HostListModel;
class Monitor;
class OnlineCheck;
class ProgressBarSink;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeView;
class ResultsModel;
class SessionState;

// The program's one window: the host list, the buttons, the results table and the pause field.
// Handlers stay thin; the work is done by the actions of the host list, the monitor and the exports.
class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1(Services services, QString programFolder, QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up sequence; runs before the window first shows.
    void Form_Load();

    HostListModel& hostList() { return *m_hostList; }
    ResultsModel& results() { return *m_results; }
    SessionState& state() { return *m_state; }
    Monitor& monitor() { return *m_monitor; }
    HostListActions& hostListActions() { return *m_hostActions; }
    ExportActions& exportActions() { return *m_exportActions; }

    QTreeView* ListView1 = nullptr;
    QTreeView* ListView2 = nullptr;
    QPushButton* PushButton6 = nullptr;
    QPushButton* PushButton3 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QPushButton* PushButton7 = nullptr;
    QPushButton* PushButton17 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QPushButton* PushButton13 = nullptr;
    QPushButton* PushButton5 = nullptr;
    QPushButton* PushButton2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label2 = nullptr;

    // Window size in pixels: the layout's 8040 twips wide, and tall enough to show the pause row.
    static constexpr int ClientWidth = 536;
    static constexpr int ClientHeight = 528;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void setUpColumns();
    void Form_QueryUnload();
    void applyPointer();
    int selectedRow(QTreeView* view) const;

    Services m_services;
    QString m_programFolder;
    SessionState* m_state;
    HostListModel* m_hostList;
    ResultsModel* m_results;
    ErrorBox* m_errorBox;
    ProgressBarSink* m_progressSink;
    HostListActions* m_hostActions;
    Monitor* m_monitor;
    ExportActions* m_exportActions;
    OnlineCheck* m_onlineCheck;
    QCursor m_handCursor;
    bool m_closed = false;
};
