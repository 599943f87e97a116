#include "AppTexts.h"
#include "FakeClipboard.h"
#include "FakeClock.h"
#include "FakeEchoService.h"
#include "FakeFileDialogs.h"
#include "FakeHostResolver.h"
#include "FakeInputBox.h"
#include "FakeMessageBoxes.h"
#include "FakeProcessRunner.h"
#include "FakeRandom.h"
#include "FakeSettingsStore.h"
#include "FakeSpreadsheetLauncher.h"
#include "FakeUrlOpener.h"
#include "Form1.h"
#include "HostListModel.h"
#include "Monitor.h"
#include "ResultsModel.h"
#include "SessionState.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {
const QString Saved = QStringLiteral("Corvexa/Vantrel/IP Addresses");

struct Fixture {
    FakeMessageBoxes boxes;
    FakeInputBox input;
    FakeFileDialogs dialogs;
    FakeClipboard clipboard;
    FakeSettingsStore settings;
    FakeProcessRunner runner;
    FakeUrlOpener opener;
    FakeClock clock;
    FakeRandom random{0.5};
    FakeSpreadsheetLauncher spreadsheet;
    FakeEchoService echo;
    FakeHostResolver resolver;
    QTemporaryDir folder;
    std::unique_ptr<Form1> window;

    Form1& make()
    {
        window = std::make_unique<Form1>(Services{boxes, input, dialogs, clipboard, settings, runner, opener, clock,
                                                  random, spreadsheet, echo, resolver},
                                         folder.path());
        return *window;
    }
};
} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layoutFollowsTheTwips()
    {
        Fixture f;
        Form1& w = f.make();
        QCOMPARE(w.size(), QSize(536, 528));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.ListView1->geometry(), QRect(8, 8, 520, 124));
        QCOMPARE(w.PushButton17->geometry(), QRect(8, 206, 520, 27));
        QCOMPARE(w.ListView2->geometry(), QRect(8, 240, 520, 140));
        QCOMPARE(w.ProgressBar1->geometry(), QRect(16, 454, 520, 27));
        QCOMPARE(w.Text1->geometry(), QRect(56, 496, 33, 22));
        // The pause row lies inside the window, where the user can see and change it.
        QVERIFY(w.rect().contains(w.Text1->geometry()));
        QVERIFY(w.rect().contains(w.Label2->geometry()));

        const QList<QPair<QPushButton*, QString>> captions = {
            {w.PushButton6, "Add One Host Name/IP"},      {w.PushButton3, "Load List From Text File"},
            {w.PushButton1, "Clear List"},                {w.PushButton7, "Load Sample/Example Data"},
            {w.PushButton17, "Start Pinging"},            {w.PushButton4, "Save Results As Text File"},
            {w.PushButton13, "Save Results As Excel File"}, {w.PushButton5, "Copy Results To Clipboard"},
            {w.PushButton2, "Clear Results"}};
        for (const auto& [button, caption] : captions) {
            QCOMPARE(button->text(), caption);
            QCOMPARE(button->font().pointSizeF(), 11.25);
            QVERIFY(button->font().bold());
        }
        QCOMPARE(w.Label1->text(), QStringLiteral("Pause:"));
        QCOMPARE(w.Label2->text(), QStringLiteral("seconds"));
        QCOMPARE(w.Text1->text(), QStringLiteral("3"));
        QCOMPARE(w.ProgressBar1->text(), QStringLiteral("Progress Bar"));
        QCOMPARE(w.ListView1->toolTip(), HostListModel::toolTip());
        QCOMPARE(w.ListView1->font().family(), QStringLiteral("Arial"));
    }

    void tabOrderFollowsTheLayout()
    {
        Fixture f;
        Form1& w = f.make();
        const QList<QWidget*> order = {w.ListView1,   w.ListView2,  w.Text1,       w.PushButton6,
                                       w.PushButton3, w.PushButton1, w.PushButton17, w.PushButton4,
                                       w.PushButton13, w.PushButton2, w.PushButton5, w.PushButton7};
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
        Form1& w = f.make();
        w.Form_Load();
        QCOMPARE(w.hostList().texts(), (QStringList{"a", "b"}));
        QVERIFY(w.state().HostListChanged);
        QVERIFY(!w.monitor().roundBusy());
        QCOMPARE(w.windowTitle(), QStringLiteral("Vantrel"));
        QCOMPARE(w.ListView1->header()->sectionSize(0), 466);
        QCOMPARE(w.ListView2->header()->count(), 12);
        for (int c = 0; c < 12; ++c)
            QCOMPARE(w.ListView2->header()->sectionSize(c), 153);
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
        f.make().Form_Load();
        QCOMPARE(f.runner.requests.size(), 1);
        QCOMPARE(f.runner.requests.first().program, QStringLiteral("ping"));
        QCOMPARE(f.runner.requests.first().arguments.mid(0, 4), (QStringList{"-c", "1", "-W", "2"}));
        QVERIFY(f.runner.requests.first().captureOutput);
        QVERIFY(!f.runner.requests.first().captureError);
        f.runner.finish(0, output);
        QCOMPARE(f.boxes.texts(), warned ? QStringList{"You must be online to use this software accurately."}
                                         : QStringList());
        if (warned)
            QCOMPARE(f.boxes.shown.first().title, QStringLiteral("Vantrel"));
    }

    void luckyDrawOpensTheMakersPage()
    {
        Fixture f;
        f.random.value = 0.06;
        f.make().Form_Load();
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
        Form1& w = f.make();
        w.Form_Load();
        QCOMPARE(f.boxes.shown.size(), 1);
        QVERIFY(f.boxes.shown.first().text.contains(QStringLiteral("Form1.Form_Load at line 112\r\r")));
        QCOMPARE(w.hostList().texts(), QStringList{"a"});
        QCOMPARE(w.ListView2->header()->sectionSize(11), 153);
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
        Form1& w = f.make();
        const QColor face = w.palette().color(QPalette::Button);
        w.Form_Load();
        QVERIFY(f.boxes.shown.isEmpty());
        QCOMPARE(w.styleSheet(), present ? sheet : QString());
        const QColor expected = present ? face : QColor(Qt::white);
        QCOMPARE(w.palette().color(QPalette::Window), expected);
        QCOMPARE(w.Label1->palette().color(QPalette::Window), expected);
        QCOMPARE(w.Label2->palette().color(QPalette::Window), expected);
        QCOMPARE(w.ListView1->palette().color(QPalette::Base), QApplication::palette(w.ListView1).color(QPalette::Base));
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
        Form1& w = f.make();
        w.hostList().append(hosts);
        if (monitoring) {
            w.monitor().PushButton17_Click(QStringLiteral("3"));
            QVERIFY(w.monitor().isOn());
        }
        w.show();
        QVERIFY(w.close());
        QCOMPARE(f.settings.values.value(Saved), saved);
    }

    void failedSaveShowsOneBoxAndStillCloses()
    {
        Fixture f;
        f.settings.failWrites = true;
        Form1& w = f.make();
        w.hostList().append(QStringLiteral("a"));
        w.show();
        QVERIFY(w.close());
        QCOMPARE(f.boxes.shown.size(), 1);
        QVERIFY(f.boxes.shown.first().text.contains(QStringLiteral("Form1.Form_QueryUnload at line 110")));
    }

    void deleteKeyFollowsTheBusyAndMonitoringRules()
    {
        Fixture f;
        Form1& w = f.make();
        w.hostList().append(QStringList{"a", "b", "c"});
        w.results().appendRow(1, QStringLiteral("a"));
        w.results().appendRow(2, QStringLiteral("b"));

        // Nothing selected: nothing happens.
        QTest::keyClick(w.ListView1, Qt::Key_Delete);
        QCOMPARE(w.hostList().count(), 3);

        w.ListView1->setCurrentIndex(w.hostList().index(1));
        w.state().beginBusy();
        QTest::keyClick(w.ListView1, Qt::Key_Delete);
        QCOMPARE(w.hostList().count(), 3);
        w.state().endBusy();
        QTest::keyClick(w.ListView1, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(w.hostList().texts(), (QStringList{"a", "c"}));
        QCOMPARE(w.results().count(), 2); // removing a host leaves the results alone

        w.ListView2->setCurrentIndex(w.results().index(0, 0));
        w.monitor().PushButton17_Click(QStringLiteral("3"));
        QTest::keyClick(w.ListView2, Qt::Key_Delete);
        QCOMPARE(w.results().count(), 2);
        w.monitor().PushButton17_Click(QStringLiteral("3"));
        QTest::keyClick(w.ListView2, Qt::Key_Delete);
        QCOMPARE(w.results().count(), 1);
        QCOMPARE(w.results().cellText(0, 0), QStringLiteral("b"));
    }

    void busyPointerSparesOnlyTheStartButton()
    {
        Fixture f;
        Form1& w = f.make();
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(w.PushButton2->cursor().shape(), Qt::PointingHandCursor);
        w.state().beginBusy();
        QCOMPARE(w.cursor().shape(), Qt::WaitCursor);
        QCOMPARE(w.PushButton2->cursor().shape(), Qt::WaitCursor);
        QCOMPARE(w.ListView2->cursor().shape(), Qt::WaitCursor);
        QCOMPARE(w.PushButton17->cursor().shape(), Qt::PointingHandCursor);
        w.state().endBusy();
        QCOMPARE(w.PushButton2->cursor().shape(), Qt::PointingHandCursor);
    }

    void startButtonDrivesRoundsIntoTheTable()
    {
        Fixture f;
        Form1& w = f.make();
        w.monitor().setRoundSliceSize(256);
        QTest::mouseClick(w.PushButton7, Qt::LeftButton);
        QCOMPARE(w.hostList().count(), 3);
        f.resolver.table.insert(AppTexts::MakerWebHost, QStringLiteral("192.0.2.1"));
        w.Text1->setText(QStringLiteral("0.05"));
        QTest::mouseClick(w.PushButton17, Qt::LeftButton);
        QCOMPARE(w.PushButton17->text(), AppTexts::StopCaption);
        QCOMPARE(w.monitor().intervalMs(), 50);
        QTRY_COMPARE_WITH_TIMEOUT(f.echo.requests.size(), 3, 5000);
        f.echo.answerAll([](const QString&) { return FakeEchoService::success(0xC0000201, 12, 55); });
        QTRY_VERIFY_WITH_TIMEOUT(!w.monitor().roundBusy(), 5000);
        QCOMPARE(w.results().count(), 3);
        QCOMPARE(w.results().cellText(0, ResultsModel::SucceedCount), QStringLiteral("1"));
        QTest::mouseClick(w.PushButton17, Qt::LeftButton);
        QCOMPARE(w.PushButton17->text(), QStringLiteral("Start Pinging"));
        QVERIFY(!w.monitor().isOn());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
