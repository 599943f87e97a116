#pragma once

#include "alerts/AlertSettings.h"
#include "app/gui/AlertServices.h"

#include <QObject>
#include <QPointer>

class AlertNotifier;
class AlertSettingsDialog;
class EventDetector;
class EventRecorder;
class HookRunner;
class MainWindow;
class MonitorSession;
class OutageLogModel;
class OutageLogWindow;
class QAction;
class QSystemTrayIcon;

// Hosts going down and coming back: the outage log, desktop notifications, the on-change command and the
// tray icon, added to the window through a context menu on the results table.
class AlertsController : public QObject
{
    Q_OBJECT
public:
    // onChange from the command line replaces the saved command for this run.
    // The events and the command are the session's; the window gets the menu entries and the tray.
    AlertsController(MonitorSession& session, MainWindow& window, AlertServices services, const QString& onChange = {},
                     QObject* parent = nullptr);
    ~AlertsController() override;

    // Opens the log (on its own thread) and reads back the events kept.
    void start();

    OutageLogWindow& logWindow();
    void showLog();
    void showSettings();
    void applySettings(const AlertSettings& settings);
    const AlertSettings& settings() const { return m_settings; }
    OutageLogModel& logModel() { return *m_logModel; }
    QAction* logAction() const { return m_logAction; }
    QAction* settingsAction() const { return m_settingsAction; }

private:
    void updateTray();

    MonitorSession& m_session;
    MainWindow& m_window;
    AlertServices m_services;
    AlertSettings m_settings; // as saved; the dialog shows and saves these
    QString m_commandLineOnChange;
    EventDetector* m_detector;
    EventRecorder* m_recorder;
    AlertNotifier* m_notifier;
    HookRunner* m_hooks;
    OutageLogModel* m_logModel;
    QPointer<OutageLogWindow> m_logWindow;
    QPointer<AlertSettingsDialog> m_settingsDialog;
    QAction* m_logAction;
    QAction* m_settingsAction;
    QSystemTrayIcon* m_tray = nullptr;
    bool m_loading = false;
};
