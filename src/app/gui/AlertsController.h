#pragma once

#include "alerts/AlertSettings.h"
#include "app/gui/AlertServices.h"

#include <QObject>
#include <QPointer>

class AlertmanagerClient;
class AlertmanagerFeed;
class AlertNotifier;
class AlertSettingsDialog;
class AlertRules;
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
    QAction* setParentAction() const { return m_setParentAction; }
    QAction* silenceAction() const { return m_silenceAction; }
    QAction* endSilenceAction() const { return m_endSilenceAction; }

    // The context menu's "Set Parent Host…": asks for the parents of the current host.
    void setParentOfSelected();
    // "Silence…": asks how long (or until when) the selected hosts, or with none selected every host, are
    // silenced; "End Silence" ends theirs.
    void silenceSelected();
    void endSilenceOfSelected();
    // The last problem posting to Alertmanager, for the window's status; empty while it works.
    QString alertmanagerStatus() const { return m_alertmanagerStatus; }

private:
    void updateTray();
    QStringList selectedHosts() const;
    // Applies the parents of the settings; false, with a box naming the problem, when they form a cycle.
    bool applyParents(const AlertSettings& settings);
    void applyAlertmanagers(const QStringList& urls);

    MonitorSession& m_session;
    MainWindow& m_window;
    AlertServices m_services;
    AlertSettings m_settings; // as saved; the dialog shows and saves these
    QString m_commandLineOnChange;
    AlertRules* m_rules;
    EventRecorder* m_recorder;
    AlertNotifier* m_notifier;
    HookRunner* m_hooks;
    OutageLogModel* m_logModel;
    QPointer<OutageLogWindow> m_logWindow;
    QPointer<AlertSettingsDialog> m_settingsDialog;
    QAction* m_logAction;
    QAction* m_settingsAction;
    QAction* m_setParentAction;
    QAction* m_silenceAction;
    QAction* m_endSilenceAction;
    AlertmanagerClient* m_alertmanager = nullptr;
    AlertmanagerFeed* m_alertmanagerFeed = nullptr;
    QStringList m_alertmanagerUrls;
    QString m_alertmanagerStatus;
    QSystemTrayIcon* m_tray = nullptr;
    bool m_loading = false;
};
