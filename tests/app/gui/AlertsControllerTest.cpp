#include "app/gui/AlertsController.h"

#include "alerts/AlertSettings.h"
#include "alerts/OutageLogModel.h"
#include "alerts/SqliteEventStore.h"
#include "app/gui/AlertSettingsDialog.h"
#include "app/gui/MainWindow.h"
#include "app/gui/OutageLogWindow.h"
#include "monitor/Monitor.h"
#include "results/ResultsModel.h"
#include "tests/app/gui/WindowFixture.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakeCommandRunner.h"
#include "tests/fakes/FakeEchoService.h"
#include "tests/fakes/FakeFileDialogs.h"
#include "tests/fakes/FakeHostResolver.h"
#include "tests/fakes/FakeInputBox.h"
#include "tests/fakes/FakeMessageBoxes.h"
#include "tests/fakes/FakeNotificationSender.h"
#include "tests/fakes/FakeProcessRunner.h"
#include "tests/fakes/FakeRandom.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/fakes/FakeSpreadsheetLauncher.h"
#include "tests/fakes/FakeUrlOpener.h"
#include "tests/fakes/ResultsFeed.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <memory>

namespace
{
struct Fixture : WindowFixture {
    FakeNotificationSender notifications;
    std::unique_ptr<AlertsController> alerts;

    QString dbPath() const { return folder.filePath(QStringLiteral("events.sqlite")); }
    AlertsController& make(const QString& onChange = {})
    {
        makeWindow();
        alerts = std::make_unique<AlertsController>(*session, *window,
                                                    AlertServices{notifications, settings, clock, boxes, dialogs,
                                                                  std::make_unique<SqliteEventStore>(dbPath()), input,
                                                                  random},
                                                    onChange);
        alerts->start();
        return *alerts;
    }
    // One round in which every listed row fails (or answers).
    void round(const QList<HostTable::Slot>& rows, bool success)
    {
        for (HostTable::Slot slot : rows) {
            if (success)
                ResultsFeed::success(table(), slot, IpAddress::fromIpv4(0x7f000001), 1, 64, clock.current);
            else
                ResultsFeed::failure(table(), slot, 11010, clock.current);
        }
        Q_EMIT monitor().roundFinished(RoundSummary{});
        clock.current = clock.current.addSecs(10);
    }
};
} // namespace

class AlertsControllerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eventsGoToLogNotificationsAndHook()
    {
        Fixture f;
        f.make(QStringLiteral("hook --x"));
        const HostTable::Slot a = f.results().appendRow(1, QStringLiteral("a.lab"));
        f.round({a}, true); // first reply: no alarm
        for (int i = 0; i < 3; ++i)
            f.round({a}, false);
        QTRY_COMPARE(f.notifications.sent.size(), 1);
        QCOMPARE(f.notifications.sent.at(0).first, QStringLiteral("a.lab is down"));
        QCOMPARE(f.commands.requests.size(), 1);
        QCOMPARE(f.commands.requests.at(0).program, QStringLiteral("hook"));
        QCOMPARE(f.commands.requests.at(0).environment.value(QStringLiteral("VANTREL_STATE")), QStringLiteral("down"));
        QCOMPARE(f.alerts->logModel().rowCount(), 1);
        // The command line's hook is for this run: the settings the dialog shows and saves keep their own.
        QCOMPARE(f.alerts->settings().onChange, QString());
        f.alerts.reset(); // the log is written through before the controller goes
        SqliteEventStore store(f.dbPath());
        QVERIFY(store.open(nullptr));
        QCOMPARE(store.newestFirst({}, 10).size(), 1);
        QVERIFY(f.boxes.shown.isEmpty());
    }

    void contextMenuShortcutAndOwnSettingsGroup()
    {
        Fixture f;
        AlertsController& alerts = f.make();
        auto* view = f.window->findChild<QTreeView*>(QStringLiteral("resultsView"));
        QCOMPARE(view->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(view->actions().contains(alerts.logAction()));
        QVERIFY(view->actions().contains(alerts.settingsAction()));
        QCOMPARE(alerts.logAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
        alerts.logAction()->trigger();
        QVERIFY(alerts.logWindow().isVisible());

        alerts.showSettings();
        auto* dialog = f.window->findChild<AlertSettingsDialog*>();
        QVERIFY(dialog);
        dialog->findChild<QSpinBox*>(QStringLiteral("downAfter"))->setValue(5);
        dialog->accept();
        QCOMPARE(f.table().states().thresholds().downAfter, 5);
        QCOMPARE(f.settings.values.value(QStringLiteral("Corvexa/Alerts/DownAfter")), QStringLiteral("5"));
        for (const QString& key : f.settings.values.keys())
            QVERIFY2(!key.startsWith(QStringLiteral("Corvexa/Vantrel/")), qPrintable(key));
    }

    void degradedRowsAreMarkedAmberAndTheSettingsKept()
    {
        Fixture f;
        AlertsController& alerts = f.make();
        alerts.showSettings();
        auto* dialog = f.window->findChild<AlertSettingsDialog*>();
        dialog->findChild<QDoubleSpinBox*>(QStringLiteral("degradedRtt"))->setValue(100);
        dialog->findChild<QSpinBox*>(QStringLiteral("degradedRounds"))->setValue(2);
        dialog->accept();
        QCOMPARE(f.settings.values.value(QStringLiteral("Corvexa/Alerts/DegradedRttMs")), QStringLiteral("100"));
        const HostTable::Slot a = f.results().appendRow(1, QStringLiteral("a.lab"));
        for (int i = 0; i < 3; ++i) {
            ResultsFeed::success(f.table(), a, IpAddress::fromIpv4(0x7f000001), 150, 64, f.clock.current);
            Q_EMIT f.monitor().roundFinished(RoundSummary{});
        }
        QCOMPARE(f.table().states().state(a), HostState::Degraded);
        QTRY_COMPARE(f.notifications.sent.size(), 1);
        QCOMPARE(f.notifications.sent.at(0).first, QStringLiteral("a.lab is degraded"));
        auto* view = f.window->findChild<QTreeView*>(QStringLiteral("resultsView"));
        const QModelIndex first = view->model()->index(0, 0);
        QCOMPARE(first.data(Qt::ToolTipRole).toString(),
                 QStringLiteral("Degraded: answering, but slowly or with loss"));
        QCOMPARE(first.data(Qt::BackgroundRole).value<QColor>().red(), 240);
        QCOMPARE(AlertSettings::load(f.settings).degradedRounds, 2);
    }

    void parentHostsAndQuietPeriodsFromTheContextMenu()
    {
        Fixture f;
        AlertsController& alerts = f.make();
        const HostTable::Slot child = f.results().appendRow(1, QStringLiteral("c.lab"));
        const HostTable::Slot parent = f.results().appendRow(2, QStringLiteral("p.lab"));
        auto* view = f.window->findChild<QTreeView*>(QStringLiteral("resultsView"));
        QVERIFY(view->actions().contains(alerts.setParentAction()));
        QVERIFY(view->actions().contains(alerts.silenceAction()));
        view->setCurrentIndex(view->model()->index(0, 0));
        f.input.answers << QStringLiteral("p.lab");
        alerts.setParentAction()->trigger();
        QCOMPARE(f.settings.values.value(QStringLiteral("Corvexa/Parent Hosts/1")), QStringLiteral("c.lab p.lab"));
        QCOMPARE(f.settings.values.value(QStringLiteral("Corvexa/Parent Hosts/Count")), QStringLiteral("1"));
        // A cycle is refused with a box and changes nothing.
        view->setCurrentIndex(view->model()->index(1, 0));
        f.input.answers << QStringLiteral("c.lab");
        alerts.setParentAction()->trigger();
        QCOMPARE(f.boxes.shown.size(), 1);
        QCOMPARE(AlertSettings::load(f.settings).parents.size(), 1);

        f.round({child, parent}, true);
        for (int i = 0; i < 3; ++i)
            f.round({child, parent}, false);
        QCOMPARE(f.table().states().state(child), HostState::Unreachable);
        QTRY_COMPARE(f.alerts->logModel().rowCount(), 2);
        QCOMPARE(f.notifications.sent.size(), 1);
        QCOMPARE(f.notifications.sent.at(0).first, QStringLiteral("p.lab is down"));

        // Silenced for two hours: marked, and its coming back tells nobody.
        view->setCurrentIndex(view->model()->index(1, 0));
        f.input.answers << QStringLiteral("2h");
        alerts.silenceAction()->trigger();
        QVERIFY(view->model()->index(1, 0).data(Qt::ToolTipRole).toString().endsWith(QStringLiteral("(silenced)")));
        f.round({child, parent}, true);
        QTRY_COMPARE(f.alerts->logModel().rowCount(), 4);
        QCOMPARE(f.notifications.sent.size(), 1);
        alerts.endSilenceAction()->trigger();
        QVERIFY(!view->model()->index(1, 0).data(Qt::ToolTipRole).toString().contains(QStringLiteral("silenced")));
    }

    void movedNameGoesToTheLogOnly()
    {
        Fixture f;
        f.make(QStringLiteral("hook"));
        const HostTable::Slot a = f.results().appendRow(1, QStringLiteral("a.lab"));
        Q_EMIT f.monitor().nameMoved(a, IpAddress::fromIpv4(0x0a000001), IpAddress::fromIpv4(0x0a000002));
        QTRY_COMPARE(f.alerts->logModel().rowCount(), 1);
        const QModelIndex state = f.alerts->logModel().index(0, OutageLogModel::State);
        QCOMPARE(state.data().toString(), QStringLiteral("moved"));
        QCOMPARE(f.alerts->logModel().index(0, OutageLogModel::Status).data().toString(),
                 QStringLiteral("10.0.0.1 -> 10.0.0.2"));
        QVERIFY(f.notifications.sent.isEmpty());
        QVERIFY(f.commands.requests.isEmpty());
    }

    void damagedLogOneMessageMonitoringGoesOn()
    {
        Fixture f;
        QFile damaged(f.dbPath());
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray("not a database\n").repeated(500));
        damaged.close();
        f.settings.values.insert(QStringLiteral("Corvexa/Vantrel/IP Addresses"), QStringLiteral("a.lab"));
        f.make();
        const HostTable::Slot a = f.results().appendRow(1, QStringLiteral("a.lab"));
        for (int i = 0; i < 6; ++i)
            f.round({a}, i >= 3);
        QTRY_COMPARE(f.notifications.sent.size(), 2);
        QCOMPARE(f.boxes.shown.size(), 1);
        QVERIFY(f.boxes.shown.at(0).text.contains(QStringLiteral("cannot be used")));
        QCOMPARE(f.settings.values.value(QStringLiteral("Corvexa/Vantrel/IP Addresses")), QStringLiteral("a.lab"));
    }
};

QTEST_MAIN(AlertsControllerTest)
#include "AlertsControllerTest.moc"
