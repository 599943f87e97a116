#include "app/gui/AlertsController.h"

#include "alerts/AlertNotifier.h"
#include "alerts/EventDetector.h"
#include "alerts/EventRecorder.h"
#include "alerts/EventStore.h"
#include "alerts/HookRunner.h"
#include "alerts/OutageLogModel.h"
#include "alerts/StateOverview.h"
#include "app/gui/AlertSettingsDialog.h"
#include "app/gui/MainWindow.h"
#include "app/gui/OutageLogWindow.h"
#include "monitor/Monitor.h"
#include "platform/AppError.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "results/ResultsModel.h"
#include "session/MonitorSession.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace
{

QIcon trayIcon(StateOverview::Overall overall)
{
    QPixmap image(32, 32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = overall == StateOverview::Overall::SomeDown ? QColor(0xd0, 0x30, 0x30)
                          : overall == StateOverview::Overall::AllUp  ? QColor(0x2e, 0xa0, 0x43)
                                                                      : QColor(0x90, 0x90, 0x90);
    painter.setPen(QPen(colour.darker(150), 2));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(3, 3, 26, 26));
    return QIcon(image);
}

} // namespace

AlertsController::AlertsController(MonitorSession& session, MainWindow& window, AlertServices services,
                                   const QString& onChange, QObject* parent)
    : QObject(parent), m_session(session), m_window(window), m_services(std::move(services)),
      m_settings(AlertSettings::load(m_services.settings)), m_commandLineOnChange(onChange),
      m_detector(&session.events()), m_notifier(new AlertNotifier(m_services.notifications)), m_hooks(&session.hooks()),
      m_logModel(new OutageLogModel(this))
{
    m_recorder = new EventRecorder(std::move(m_services.store), m_services.clock, m_settings.keepDays, this);
    applySettings(m_settings);

    connect(m_detector, &EventDetector::eventsReady, m_recorder, &EventRecorder::record);
    // Shown only once committed, so nothing the user saw is missing from the log after a crash.
    connect(m_recorder, &EventRecorder::recorded, this, [this](const HostEvents& events) {
        m_notifier->notify(events);
        m_hooks->run(events);
        m_logModel->addEvents(events);
        updateTray();
    });
    connect(m_recorder, &EventRecorder::loaded, this, [this](const HostEvents& events) {
        // Holds every event recorded before it was asked for, the live ones included.
        if (m_loading)
            m_logModel->setEvents(events);
        m_loading = false;
    });
    connect(m_recorder, &EventRecorder::unavailable, this, [this](const QString& message) {
        m_loading = false;
        m_services.messageBoxes.warning(QStringLiteral("Outage Log"), message);
    });
    connect(m_hooks, &HookRunner::failed, this,
            [](const QString& message) { qWarning("vantrel: %s", qPrintable(message)); });

    m_logAction = new QAction(QStringLiteral("Outage Log…"), this);
    m_logAction->setObjectName(QStringLiteral("outageLogAction"));
    m_logAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    m_logAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_logAction, &QAction::triggered, this, &AlertsController::showLog);
    m_settingsAction = new QAction(QStringLiteral("Alert Settings…"), this);
    m_settingsAction->setObjectName(QStringLiteral("alertSettingsAction"));
    connect(m_settingsAction, &QAction::triggered, this, &AlertsController::showSettings);
    window.addResultsActions({m_logAction, m_settingsAction});

    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = new QSystemTrayIcon(this);
        auto* menu = new QMenu(&window);
        QAction* startStop = menu->addAction(QStringLiteral("Start/Stop Pinging"));
        connect(startStop, &QAction::triggered, &window, &MainWindow::startOrStop);
        menu->addAction(m_logAction);
        m_tray->setContextMenu(menu);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
                showLog();
        });
        connect(&session.monitor(), &Monitor::stateChanged, this, &AlertsController::updateTray);
        connect(&session.results(), &QAbstractItemModel::modelReset, this, &AlertsController::updateTray);
        updateTray();
        m_tray->show();
    }
}

AlertsController::~AlertsController()
{
    delete m_notifier;
}

void AlertsController::start()
{
    m_recorder->start();
    m_loading = true;
    m_recorder->load(m_services.clock.now().addDays(-m_settings.keepDays), OutageLogModel::MaxEvents);
}

void AlertsController::applySettings(const AlertSettings& settings)
{
    m_settings = settings;
    m_session.setStateThresholds(settings.thresholds);
    m_notifier->setEnabled(settings.notify);
    // A command given on the command line wins for this run, without being saved.
    m_hooks->setCommand(m_commandLineOnChange.isEmpty() ? settings.onChange : m_commandLineOnChange);
    m_recorder->setKeepDays(settings.keepDays);
}

OutageLogWindow& AlertsController::logWindow()
{
    if (!m_logWindow)
        m_logWindow = new OutageLogWindow(*m_logModel, m_services.clock, m_services.fileDialogs,
                                          m_services.messageBoxes, &m_window);
    return *m_logWindow;
}

void AlertsController::showLog()
{
    OutageLogWindow& log = logWindow();
    log.show();
    log.raise();
    log.activateWindow();
}

void AlertsController::showSettings()
{
    if (m_settingsDialog) {
        m_settingsDialog->raise();
        return;
    }
    m_settingsDialog = new AlertSettingsDialog(m_settings, &m_window);
    m_settingsDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_settingsDialog, &QDialog::accepted, this, [this] {
        const AlertSettings chosen = m_settingsDialog->settings();
        applySettings(chosen);
        try {
            chosen.save(m_services.settings);
        } catch (const AppError& e) {
            m_services.messageBoxes.warning(QStringLiteral("Alert Settings"), e.description());
        }
    });
    m_settingsDialog->open(); // window-modal without a nested event loop
}

void AlertsController::updateTray()
{
    if (!m_tray)
        return;
    const bool monitoring = m_session.monitor().state() != Monitor::State::Off;
    const StateOverview overview = StateOverview::of(m_session.table());
    m_tray->setIcon(trayIcon(overview.overall(monitoring)));
    m_tray->setToolTip(overview.text(monitoring));
}
