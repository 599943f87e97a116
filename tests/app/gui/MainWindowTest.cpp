#include "app/gui/MainWindow.h"

#include "app/gui/HostDetailsWindow.h"
#include "app/gui/HostDetailsWindows.h"
#include "core/AppTexts.h"
#include "core/ErrorLocations.h"
#include "core/HostListAutosave.h"
#include "core/HostListModel.h"
#include "core/SavedHostList.h"
#include "core/SessionState.h"
#include "monitor/Monitor.h"
#include "platform/IniSettingsStore.h"
#include "results/ResultsModel.h"
#include "tests/app/gui/WindowFixture.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakeEchoService.h"
#include "tests/fakes/FakeFileDialogs.h"
#include "tests/fakes/FakeHostResolver.h"
#include "tests/fakes/FakeInputBox.h"
#include "tests/fakes/FakeMessageBoxes.h"
#include "tests/fakes/FakeProcessRunner.h"
#include "tests/fakes/FakeRandom.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/fakes/FakeSpreadsheetLauncher.h"
#include "tests/fakes/FakeUrlOpener.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <csignal>
#include <memory>

namespace
{
const QString Saved = QStringLiteral("Corvexa/Vantrel/IP Addresses");

struct Fixture : WindowFixture {
    MainWindow& make() { return makeWindow(); }
};
// The window's controls are private; tests reach them by object name.
template <class T> T* widget(QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QLatin1String(name));
    Q_ASSERT(found);
    return found;
}
} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaultLayout()
    {
        Fixture f;
        MainWindow& w = f.make();
        QCOMPARE(w.size(), QSize(536, 528));
        QCOMPARE(w.minimumSizeHint(), QSize(536, 528)); // grows, never shrinks below the default
        QVERIFY(w.windowFlags() & Qt::WindowMaximizeButtonHint);
        QCOMPARE(widget<QTreeView>(w, "hostView")->geometry(), QRect(8, 8, 520, 124));
        QCOMPARE(widget<QPushButton>(w, "startStopButton")->geometry(), QRect(8, 206, 520, 27));
        QCOMPARE(widget<QTreeView>(w, "resultsView")->geometry(), QRect(8, 240, 520, 140));
        QCOMPARE(widget<QProgressBar>(w, "progressBar")->geometry(), QRect(16, 454, 520, 27));
        QCOMPARE(widget<QLineEdit>(w, "pauseEdit")->geometry(), QRect(56, 496, 33, 22));
        // The pause row lies inside the window, where the user can see and change it.
        QVERIFY(w.rect().contains(widget<QLineEdit>(w, "pauseEdit")->geometry()));
        QVERIFY(w.rect().contains(widget<QLabel>(w, "secondsLabel")->geometry()));

        const QList<QPair<QPushButton*, QString>> captions = {
            {widget<QPushButton>(w, "addHostButton"), "Add One Host Name/IP"},
            {widget<QPushButton>(w, "loadListButton"), "Load List From Text File"},
            {widget<QPushButton>(w, "clearListButton"), "Clear List"},
            {widget<QPushButton>(w, "sampleDataButton"), "Load Sample/Example Data"},
            {widget<QPushButton>(w, "startStopButton"), "Start Pinging"},
            {widget<QPushButton>(w, "saveTextButton"), "Save Results As Text File"},
            {widget<QPushButton>(w, "saveWorkbookButton"), "Save Results As Excel File"},
            {widget<QPushButton>(w, "copyButton"), "Copy Results To Clipboard"},
            {widget<QPushButton>(w, "clearResultsButton"), "Clear Results"}};
        for (const auto& [button, caption] : captions) {
            QCOMPARE(button->text(), caption);
            QCOMPARE(button->font().pointSizeF(), 11.25);
            QVERIFY(button->font().bold());
        }
        QCOMPARE(widget<QLabel>(w, "pauseLabel")->text(), QStringLiteral("Pause:"));
        QCOMPARE(widget<QLabel>(w, "secondsLabel")->text(), QStringLiteral("seconds"));
        QCOMPARE(widget<QLineEdit>(w, "pauseEdit")->text(), QStringLiteral("3"));
        QCOMPARE(widget<QProgressBar>(w, "progressBar")->text(), QStringLiteral("Progress Bar"));
        QCOMPARE(widget<QTreeView>(w, "hostView")->toolTip(), HostListModel::toolTip());
        QCOMPARE(widget<QTreeView>(w, "hostView")->font().family(), QStringLiteral("Arial"));
    }

    void tabOrderFollowsTheLayout()
    {
        Fixture f;
        MainWindow& w = f.make();
        const QList<QWidget*> order = {widget<QTreeView>(w, "hostView"),
                                       widget<QTreeView>(w, "resultsView"),
                                       widget<QLineEdit>(w, "pauseEdit"),
                                       widget<QPushButton>(w, "addHostButton"),
                                       widget<QPushButton>(w, "loadListButton"),
                                       widget<QPushButton>(w, "clearListButton"),
                                       widget<QPushButton>(w, "startStopButton"),
                                       widget<QPushButton>(w, "saveTextButton"),
                                       widget<QPushButton>(w, "saveWorkbookButton"),
                                       widget<QPushButton>(w, "clearResultsButton"),
                                       widget<QPushButton>(w, "copyButton"),
                                       widget<QPushButton>(w, "sampleDataButton")};
        // Walk the focus chain past the views' inner widgets, which take no focus by Tab.
        for (qsizetype i = 1; i < order.size(); ++i) {
            QWidget* next = order.at(i - 1)->nextInFocusChain();
            while (!order.contains(next) && next != order.at(i - 1))
                next = next->nextInFocusChain();
            QCOMPARE(next, order.at(i));
        }
    }

    void startUpRestoresTheListAndSetsUpColumns()
    {
        Fixture f;
        f.settings.values.insert(Saved, QStringLiteral(";a;;b;"));
        MainWindow& w = f.make();
        w.startUp();
        QCOMPARE(f.hostList().texts(), (QStringList{"a", "b"}));
        QVERIFY(f.state().hostListChanged);
        QVERIFY(!f.monitor().roundRunning());
        QCOMPARE(w.windowTitle(), QStringLiteral("Vantrel"));
        QCOMPARE(widget<QTreeView>(w, "hostView")->header()->sectionSize(0), 466);
        QCOMPARE(widget<QTreeView>(w, "resultsView")->header()->count(), 12);
        for (int c = 0; c < 12; ++c)
            QCOMPARE(widget<QTreeView>(w, "resultsView")->header()->sectionSize(c), 153);
        QVERIFY(f.boxes.shown.isEmpty());
        QVERIFY(f.opener.opened.isEmpty());
    }

    void startUpRunsTheOnlineCheckWithoutWaiting_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("warned");
        QTest::newRow("linux reply") << QStringLiteral("64 bytes from 1.2.3.4: icmp_seq=1 ttl=57 time=9 ms") << false;
        QTest::newRow("windows reply in capitals") << QStringLiteral("Reply from 1.2.3.4: BYTES=32 time=9ms") << false;
        QTest::newRow("no reply") << QStringLiteral("1 packets transmitted, 0 received, 100% packet loss") << true;
        QTest::newRow("nothing captured") << QString() << true;
        QTest::newRow("ping missing") << QStringLiteral("Failed to create process, check the path of the command line.")
                                      << true;
    }
    void startUpRunsTheOnlineCheckWithoutWaiting()
    {
        QFETCH(QString, output);
        QFETCH(bool, warned);
        Fixture f;
        f.make().startUp();
        QCOMPARE(f.runner.requests.size(), 1);
        QCOMPARE(f.runner.requests.first().program, QStringLiteral("ping"));
        QCOMPARE(f.runner.requests.first().arguments.mid(0, 4), (QStringList{"-c", "1", "-W", "2"}));
        QVERIFY(f.runner.requests.first().captureOutput);
        QVERIFY(!f.runner.requests.first().captureError);
        f.runner.finish(0, output);
        QCOMPARE(f.boxes.texts(),
                 warned ? QStringList{"You must be online to use this software accurately."} : QStringList());
        if (warned)
            QCOMPARE(f.boxes.shown.first().title, QStringLiteral("Vantrel"));
    }

    void luckyDrawOpensTheMakersPage()
    {
        Fixture f;
        f.random.value = 0.06;
        f.make().startUp();
        QCOMPARE(f.opener.opened.size(), 1);
    }

    void badCursorFileIsReportedAndStartUpGoesOn()
    {
        Fixture f;
        f.settings.values.insert(Saved, QStringLiteral("a"));
        QFile cursor(f.folder.filePath(QStringLiteral("HAND-M.CUR")));
        QVERIFY(cursor.open(QIODevice::WriteOnly));
        cursor.write("not a cursor");
        cursor.close();
        MainWindow& w = f.make();
        w.startUp();
        QCOMPARE(f.boxes.shown.size(), 1);
        QVERIFY(f.boxes.shown.first().text.contains(ErrorLocations::StartUp + QStringLiteral("at line 112\r\r")));
        QCOMPARE(f.hostList().texts(), QStringList{"a"});
        QCOMPARE(widget<QTreeView>(w, "resultsView")->header()->sectionSize(11), 153);
    }

    void skin_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("no skin") << false;
        QTest::newRow("skin") << true;
    }
    void skin()
    {
        QFETCH(bool, present);
        Fixture f;
        const QString sheet = QStringLiteral("QPushButton { color: rgb(0, 0, 128); }");
        if (present) {
            QVERIFY(QDir(f.folder.path()).mkpath(QStringLiteral("x")));
            QFile file(f.folder.filePath(QStringLiteral("x/o.cjs")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(sheet.toUtf8());
        }
        MainWindow& w = f.make();
        const QColor face = w.palette().color(QPalette::Button);
        w.startUp();
        QVERIFY(f.boxes.shown.isEmpty());
        QCOMPARE(w.styleSheet(), present ? sheet : QString());
        const QColor expected = present ? face : QColor(Qt::white);
        QCOMPARE(w.palette().color(QPalette::Window), expected);
        QCOMPARE(widget<QLabel>(w, "pauseLabel")->palette().color(QPalette::Window), expected);
        QCOMPARE(widget<QLabel>(w, "secondsLabel")->palette().color(QPalette::Window), expected);
        QCOMPARE(widget<QTreeView>(w, "hostView")->palette().color(QPalette::Base),
                 QApplication::palette(widget<QTreeView>(w, "hostView")).color(QPalette::Base));
    }

    void closingSavesTheListInAnyState_data()
    {
        QTest::addColumn<QStringList>("hosts");
        QTest::addColumn<bool>("monitoring");
        QTest::addColumn<QString>("saved");
        QTest::newRow("empty list") << QStringList() << false << QString();
        QTest::newRow("one host") << QStringList{"a"} << false << QStringLiteral("a");
        QTest::newRow("two hosts while monitoring") << QStringList{"a", "b;c"} << true << QStringLiteral("a;b;c");
        QTest::newRow("empty entry from a file") << QStringList{"a", "", "b"} << false << QStringLiteral("a;;b");
    }
    void closingSavesTheListInAnyState()
    {
        QFETCH(QStringList, hosts);
        QFETCH(bool, monitoring);
        QFETCH(QString, saved);
        Fixture f;
        f.settings.values.insert(Saved, QStringLiteral("old"));
        MainWindow& w = f.make();
        f.hostList().append(hosts);
        if (monitoring) {
            f.monitor().startOrStop(QStringLiteral("3"));
            QVERIFY(f.monitor().isOn());
        }
        w.show();
        QVERIFY(w.close());
        QCOMPARE(f.settings.values.value(Saved), saved);
    }

    void changesAreSavedShortlyAfterwards()
    {
        Fixture f;
        f.settings.values.insert(Saved, QStringLiteral("a"));
        MainWindow& w = f.make();
        f.autosave().setDelay(20);
        w.startUp();
        QTest::qWait(100);
        QCOMPARE(f.settings.writes, 0); // loading the saved list changes nothing on disk

        // A burst of edits makes one write.
        f.hostList().append(QStringLiteral("b"));
        f.hostList().append(QStringList{"c", "d"});
        f.hostList().removeAt(0);
        QTRY_COMPARE(f.settings.values.value(Saved), QStringLiteral("b;c;d"));
        QTest::qWait(100);
        QCOMPARE(f.settings.writes, 1);
        QTest::mouseClick(widget<QPushButton>(w, "clearListButton"), Qt::LeftButton);
        QTRY_COMPARE(f.settings.values.value(Saved), QString());
        QVERIFY(f.boxes.shown.isEmpty());
    }

    // The real program: a logout, kill or Ctrl+C, here while the online warning is open, saves the list
    // and ends normally. A script stands in for ping, so nothing leaves this machine.
    void endSignalsSaveTheListAndEndCleanly_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void endSignalsSaveTheListAndEndCleanly()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("config"));
        IniSettingsStore store(config);
        SavedHostList::write(store, QStringLiteral(";a;;b;")); // loads as "a;b"
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("bin")));
        const QString mark = dir.filePath(QStringLiteral("ping-ran"));
        for (const char* name : {"ping", "xdg-open"}) {
            QFile script(dir.filePath(QStringLiteral("bin/") + QLatin1String(name)));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\ntouch \"$VANTREL_TEST_MARK\"\n");
            script.close();
            QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
        }
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PATH"), dir.filePath(QStringLiteral("bin:")) + environment.value("PATH"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("VANTREL_TEST_MARK"), mark);
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VANTREL_PROGRAM), QStringList());
        QVERIFY(program.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(mark), 20000); // start-up is under way
        QTest::qWait(200);                                    // long enough for the warning to open
        ::kill(static_cast<pid_t>(program.processId()), signal);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(SavedHostList::read(IniSettingsStore(config)), QStringLiteral("a;b"));
    }

    void failedSaveShowsOneBoxAndStillCloses()
    {
        Fixture f;
        f.settings.failWrites = true;
        MainWindow& w = f.make();
        f.autosave().setDelay(10);
        f.hostList().append(QStringLiteral("a"));
        QTest::qWait(100);
        f.hostList().append(QStringLiteral("b"));
        QTest::qWait(100);
        QVERIFY(f.boxes.shown.isEmpty()); // saving in the background fails quietly
        w.show();
        QVERIFY(w.close());
        QCOMPARE(f.boxes.shown.size(), 1);
        QVERIFY(f.boxes.shown.first().text.contains(ErrorLocations::SaveHostList + QStringLiteral("at line 110")));
    }

    void deleteKeyFollowsTheBusyAndMonitoringRules()
    {
        Fixture f;
        MainWindow& w = f.make();
        f.hostList().append(QStringList{"a", "b", "c"});
        f.results().appendRow(1, QStringLiteral("a"));
        f.results().appendRow(2, QStringLiteral("b"));

        // Nothing selected: nothing happens.
        QTest::keyClick(widget<QTreeView>(w, "hostView"), Qt::Key_Delete);
        QCOMPARE(f.hostList().count(), 3);

        widget<QTreeView>(w, "hostView")->setCurrentIndex(f.hostList().index(1));
        f.state().beginBusy();
        QTest::keyClick(widget<QTreeView>(w, "hostView"), Qt::Key_Delete);
        QCOMPARE(f.hostList().count(), 3);
        f.state().endBusy();
        QTest::keyClick(widget<QTreeView>(w, "hostView"), Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(f.hostList().texts(), (QStringList{"a", "c"}));
        QCOMPARE(f.results().count(), 2); // removing a host leaves the results alone

        QTreeView* resultsView = widget<QTreeView>(w, "resultsView");
        resultsView->setCurrentIndex(resultsView->model()->index(0, 0));
        f.monitor().startOrStop(QStringLiteral("3"));
        QTest::keyClick(widget<QTreeView>(w, "resultsView"), Qt::Key_Delete);
        QCOMPARE(f.results().count(), 2);
        f.monitor().startOrStop(QStringLiteral("3"));
        QTest::keyClick(widget<QTreeView>(w, "resultsView"), Qt::Key_Delete);
        QCOMPARE(f.results().count(), 1);
        QCOMPARE(f.results().cellText(0, 0), QStringLiteral("b"));
    }

    void enterAndDoubleClickOpenARowsDetails()
    {
        Fixture f;
        MainWindow& w = f.make();
        f.results().appendRow(1, QStringLiteral("a"));
        const quint64 b = f.table().tagOf(f.results().appendRow(2, QStringLiteral("b")));
        auto* view = widget<QTreeView>(w, "resultsView");
        QTest::keyClick(view, Qt::Key_Return); // no current row: nothing
        QVERIFY(f.detailsWindows().windows().isEmpty());
        view->setCurrentIndex(view->model()->index(1, 3));
        QTest::keyClick(view, Qt::Key_Enter);
        QCOMPARE(f.detailsWindows().windows().size(), 1);
        QCOMPARE(f.detailsWindows().windows().first()->tag(), b);
        f.detailsWindows().windows().first()->close();
        QTRY_VERIFY(f.detailsWindows().windows().isEmpty());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect cell = view->visualRect(view->model()->index(0, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center()); // the view opens what was pressed
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(f.detailsWindows().windows().size(), 1);
        QCOMPARE(f.detailsWindows().windows().first()->tag(), f.table().tagOf(f.table().slotAt(0)));
    }

    void busyPointerSparesOnlyTheStartButton()
    {
        Fixture f;
        MainWindow& w = f.make();
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(widget<QPushButton>(w, "clearResultsButton")->cursor().shape(), Qt::PointingHandCursor);
        f.state().beginBusy();
        QCOMPARE(w.cursor().shape(), Qt::WaitCursor);
        QCOMPARE(widget<QPushButton>(w, "clearResultsButton")->cursor().shape(), Qt::WaitCursor);
        QCOMPARE(widget<QTreeView>(w, "resultsView")->cursor().shape(), Qt::WaitCursor);
        QCOMPARE(widget<QPushButton>(w, "startStopButton")->cursor().shape(), Qt::PointingHandCursor);
        f.state().endBusy();
        QCOMPARE(widget<QPushButton>(w, "clearResultsButton")->cursor().shape(), Qt::PointingHandCursor);
    }

    void startButtonDrivesRoundsIntoTheTable()
    {
        Fixture f;
        MainWindow& w = f.make();
        f.monitor().setRoundSliceSize(256);
        QTest::mouseClick(widget<QPushButton>(w, "sampleDataButton"), Qt::LeftButton);
        QCOMPARE(f.hostList().count(), 3);
        f.resolver.table.insert(AppTexts::MakerWebHost, QStringLiteral("192.0.2.1"));
        widget<QLineEdit>(w, "pauseEdit")->setText(QStringLiteral("0.05"));
        QTest::mouseClick(widget<QPushButton>(w, "startStopButton"), Qt::LeftButton);
        QCOMPARE(widget<QPushButton>(w, "startStopButton")->text(), AppTexts::StopCaption);
        QCOMPARE(f.monitor().intervalMs(), 50);
        QTRY_COMPARE_WITH_TIMEOUT(f.echo.requests.size(), 3, 5000);
        f.echo.answerAll([](const QString&) { return FakeEchoService::success(0xC0000201, 12, 55); });
        QTRY_VERIFY_WITH_TIMEOUT(!f.monitor().roundRunning(), 5000);
        QCOMPARE(f.results().count(), 3);
        QCOMPARE(f.results().cellText(0, ResultsModel::SucceedCount), QStringLiteral("1"));
        QTest::mouseClick(widget<QPushButton>(w, "startStopButton"), Qt::LeftButton);
        QCOMPARE(widget<QPushButton>(w, "startStopButton")->text(), QStringLiteral("Start Pinging"));
        QVERIFY(!f.monitor().isOn());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
