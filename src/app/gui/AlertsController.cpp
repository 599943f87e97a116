#include "app/gui/AlertsController.h"

#include "alerts/AlertNotifier.h"
#include "alerts/AlertRules.h"
#include "alerts/AlertmanagerClient.h"
#include "alerts/AlertmanagerFeed.h"
#include "alerts/DependencyFile.h"
#include "alerts/EventRecorder.h"
#include "alerts/EventStore.h"
#include "alerts/HookRunner.h"
#include "alerts/OutageLogModel.h"
#include "alerts/Silences.h"
#include "alerts/StateOverview.h"
#include "app/gui/AlertSettingsDialog.h"
#include "app/gui/MainWindow.h"
#include "app/gui/OutageLogWindow.h"
#include "monitor/Monitor.h"
#include "platform/AppError.h"
#include "platform/Clock.h"
#include "platform/InputBox.h"
#include "platform/MessageBoxes.h"
#include "results/HostTable.h"
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
      m_rules(&session.alertRules()), m_notifier(new AlertNotifier(m_services.notifications)),
      m_hooks(&session.hooks()), m_logModel(new OutageLogModel(this))
{
    m_recorder = new EventRecorder(std::move(m_services.store), m_services.clock, m_settings.keepDays, this);
    applySettings(m_settings);

    connect(m_rules, &AlertRules::eventsReady, m_recorder, &EventRecorder::record);
    // A name that now stands for another address goes into the log, where its outages are.
    connect(&session.monitor(), &Monitor::nameMoved, this,
            [this](quint32 slot, const IpAddress& from, const IpAddress& to) {
                HostEvent e;
                e.kind = HostEvent::Kind::Moved;
                e.host = m_session.table().hostText(slot);
                e.when = m_services.clock.now();
                e.status = QStringLiteral("%1 -> %2").arg(from.toString(), to.toString());
                m_recorder->record({e});
            });
    // Shown only once committed, so nothing the user saw is missing from the log after a crash.
    connect(m_recorder, &EventRecorder::recorded, this, [this](const HostEvents& events) {
        m_notifier->notify(events);
        HostEvents hooked;
        for (const HostEvent& e : events) {
            if (!e.quiet && e.kind != HostEvent::Kind::Moved)
                hooked.append(e);
        }
        m_hooks->run(hooked);
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
    m_setParentAction = new QAction(QStringLiteral("Set Parent Host…"), this);
    m_setParentAction->setObjectName(QStringLiteral("setParentHostAction"));
    connect(m_setParentAction, &QAction::triggered, this, &AlertsController::setParentOfSelected);
    m_silenceAction = new QAction(QStringLiteral("Silence…"), this);
    m_silenceAction->setObjectName(QStringLiteral("silenceAction"));
    connect(m_silenceAction, &QAction::triggered, this, &AlertsController::silenceSelected);
    m_endSilenceAction = new QAction(QStringLiteral("End Silence"), this);
    m_endSilenceAction->setObjectName(QStringLiteral("endSilenceAction"));
    connect(m_endSilenceAction, &QAction::triggered, this, &AlertsController::endSilenceOfSelected);
    window.addResultsActions({m_logAction, m_settingsAction, m_setParentAction, m_silenceAction, m_endSilenceAction});

    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = new QSystemTrayIcon(this);
        auto* menu = new QMenu(&window);
        QAction* startStop = menu->addAction(QStringLiteral("Start/Stop Pinging"));
        connect(startStop, &QAction::triggered, &window, &MainWindow::startOrStop);
        menu->addAction(m_logAction);
        QAction* silenceAll = menu->addAction(QStringLiteral("Silence…"));
        connect(silenceAll, &QAction::triggered, this, [this] {
            const QString until = m_services.input.getText(
                QStringLiteral("Silence"),
                QStringLiteral("Silence every host for (2h, 1h30m) or until (2026-12-10T06:00):"));
            if (until.trimmed().isEmpty())
                return;
            QString error;
            if (const auto entry =
                    Silences::parse(Silences::AllHosts + u'@' + until.trimmed(), m_services.clock.now(), &error))
                m_rules->silence(*entry);
            else
                m_services.messageBoxes.warning(QStringLiteral("Silence"), error);
        });
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
    DegradedJudge::Rule degraded;
    degraded.rounds = settings.degradedRounds;
    if (settings.degradedRttMs > 0)
        degraded.rttMs = settings.degradedRttMs;
    if (settings.degradedLossPercent > 0)
        degraded.lossPercent = settings.degradedLossPercent;
    m_rules->setDegradedRule(degraded);
    m_rules->setFlapRule({settings.flapChanges, qint64(settings.flapMinutes) * 60 * 1000});
    applyParents(settings);
    applyAlertmanagers(settings.alertmanagers);
}

bool AlertsController::applyParents(const AlertSettings& settings)
{
    QString error;
    std::optional<DependencyFile> file =
        DependencyFile::parse(settings.dependencyText(), AlertSettings::ParentsSection, &error);
    if (!file) {
        m_services.messageBoxes.warning(QStringLiteral("Set Parent Host"), error);
        return false;
    }
    m_rules->setDependencies(std::move(file));
    return true;
}

void AlertsController::applyAlertmanagers(const QStringList& urls)
{
    if (urls == m_alertmanagerUrls)
        return;
    m_alertmanagerUrls = urls;
    delete m_alertmanagerFeed;
    delete m_alertmanager;
    m_alertmanagerFeed = nullptr;
    m_alertmanager = nullptr;
    m_alertmanagerStatus.clear();
    if (urls.isEmpty())
        return;
    AlertmanagerClient::Options options;
    for (const QString& url : urls)
        options.urls << QUrl(url);
    m_alertmanager = new AlertmanagerClient(options, m_services.clock, m_services.random, this);
    m_alertmanagerFeed = new AlertmanagerFeed(*m_rules, *m_alertmanager, this);
    // One line in the window's status, not a box per attempt.
    connect(m_alertmanager, &AlertmanagerClient::failed, this, [this](const QString& message) {
        m_alertmanagerStatus = message;
        m_window.showStatus(message);
    });
    connect(m_alertmanager, &AlertmanagerClient::recovered, this, [this](const QString& message) {
        m_alertmanagerStatus.clear();
        m_window.showStatus(message);
    });
}

QStringList AlertsController::selectedHosts() const
{
    QStringList hosts;
    const HostTable& table = m_session.table();
    for (const int row : m_window.selectedResultRows()) {
        const QString& host = table.hostText(table.slotAt(row));
        if (!hosts.contains(host))
            hosts << host;
    }
    return hosts;
}

void AlertsController::setParentOfSelected()
{
    const QStringList hosts = selectedHosts();
    if (hosts.size() != 1) {
        m_services.messageBoxes.information(QStringLiteral("Set Parent Host"),
                                            QStringLiteral("Select one host to set its parent host."));
        return;
    }
    const QString& child = hosts.front();
    const QStringList now = m_settings.parentsOf(child);
    const QString prompt =
        QStringLiteral("Parent hosts of %1, as in the host list, separated by blanks (now: %2; a single - for none):")
            .arg(child, now.isEmpty() ? QStringLiteral("none") : now.join(u' '));
    const QString text = m_services.input.getText(QStringLiteral("Set Parent Host"), prompt).trimmed();
    if (text.isEmpty())
        return; // cancelled
    AlertSettings chosen = m_settings;
    chosen.setParents(child, text == QLatin1String("-") ? QStringList() : text.split(u' ', Qt::SkipEmptyParts));
    if (!applyParents(chosen))
        return;
    m_settings.parents = chosen.parents;
    try {
        m_settings.save(m_services.settings);
    } catch (const AppError& e) {
        m_services.messageBoxes.warning(QStringLiteral("Set Parent Host"), e.description());
    }
}

void AlertsController::silenceSelected()
{
    QStringList hosts = selectedHosts();
    if (hosts.isEmpty())
        hosts << Silences::AllHosts;
    const QString who = hosts.front() == Silences::AllHosts ? QStringLiteral("every host")
                        : hosts.size() == 1                 ? hosts.front()
                                                            : QStringLiteral("%1 hosts").arg(hosts.size());
    const QString until =
        m_services.input
            .getText(QStringLiteral("Silence"),
                     QStringLiteral("Silence %1 for (2h, 1h30m) or until (2026-12-10T06:00):").arg(who))
            .trimmed();
    if (until.isEmpty())
        return;
    const QDateTime now = m_services.clock.now();
    QString error;
    QList<Silences::Entry> entries;
    for (const QString& host : std::as_const(hosts)) {
        const std::optional<Silences::Entry> entry = Silences::parse(host + u'@' + until, now, &error);
        if (!entry) {
            m_services.messageBoxes.warning(QStringLiteral("Silence"), error);
            return;
        }
        entries << *entry;
    }
    for (const Silences::Entry& entry : std::as_const(entries))
        m_rules->silence(entry);
}

void AlertsController::endSilenceOfSelected()
{
    QStringList hosts = selectedHosts();
    if (hosts.isEmpty())
        hosts << Silences::AllHosts;
    for (const QString& host : std::as_const(hosts))
        m_rules->unsilence(host);
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
