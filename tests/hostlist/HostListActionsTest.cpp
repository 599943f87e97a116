#include "hostlist/HostListActions.h"

#include "core/ErrorBox.h"
#include "core/ErrorLocations.h"
#include "core/HostListModel.h"
#include "core/SessionState.h"
#include "results/ResultsModel.h"
#include "tests/fakes/FakeFileDialogs.h"
#include "tests/fakes/FakeInputBox.h"
#include "tests/fakes/FakeMessageBoxes.h"

#include <QTemporaryDir>
#include <QtTest>

namespace
{
struct Fixture {
    HostListModel hosts;
    ResultsModel results;
    SessionState state;
    FakeMessageBoxes boxes;
    ErrorBox errorBox{boxes};
    FakeInputBox input;
    FakeFileDialogs dialogs;
    HostListActions actions{hosts, results, state, errorBox, boxes, input, dialogs};
    QTemporaryDir dir;

    Fixture()
    {
        state.hostListChanged = false;
        results.appendRow(99, QStringLiteral("shown"));
    }
    QString file(const char* name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }
    void load(const QStringList& paths)
    {
        QSignalSpy finished(&actions, &HostListActions::loadFinished);
        dialogs.openAnswers.append(paths);
        actions.chooseListFiles();
        QVERIFY(state.isBusy());
        QVERIFY(finished.wait(10000));
        QVERIFY(!state.isBusy());
    }
};
} // namespace

class HostListActionsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addKeepsTheTextExactly_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("hosts");
        QTest::newRow("spaces kept") << QStringList{" 10.0.0.1 "} << QStringList{" 10.0.0.1 "};
        QTest::newRow("duplicate kept twice") << QStringList{"a", "a"} << QStringList{"a", "a"};
        QTest::newRow("semicolon inside one entry") << QStringList{"a;b"} << QStringList{"a;b"};
    }
    void addKeepsTheTextExactly()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, hosts);
        Fixture f;
        f.input.answers = typed;
        for (qsizetype i = 0; i < typed.size(); ++i)
            f.actions.addHost();
        QCOMPARE(f.hosts.texts(), hosts);
        QCOMPARE(f.input.lastPrompt, QStringLiteral("Enter one host or IP address:"));
        QCOMPARE(f.input.lastTitle, QStringLiteral("Vantrel"));
        // Adding empties the results and asks the next round for fresh rows.
        QCOMPARE(f.results.count(), 0);
        QVERIFY(f.state.hostListChanged);
    }

    void addRange_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("answer"); // to a question, if one comes
        QTest::addColumn<QStringList>("hosts");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("question");

        const QString limit = QStringLiteral("; at most 65,536 can come from one range");
        QTest::newRow("expands in place")
            << "10.0.0.1-3" << false << QStringList{"10.0.0.1", "10.0.0.2", "10.0.0.3"} << 3 << QString() << false;
        QTest::newRow("1,024 hosts: no question")
            << "10.0.0.0-10.0.3.255" << false << QStringList() << 1024 << QString() << false;
        QTest::newRow("1,025 hosts: Yes")
            << "10.0.0.0-10.0.4.0" << true << QStringList() << 1025
            << "10.0.0.0-10.0.4.0 stands for 1,025 hosts. Add them all to the list?" << true;
        QTest::newRow("a /16: No adds nothing")
            << "10.1.0.0/16" << false << QStringList() << 0
            << "10.1.0.0/16 stands for 65,534 hosts. Add them all to the list?" << true;
        QTest::newRow("over the limit") << "10.0.0.0/8" << true << QStringList() << 0
                                        << "10.0.0.0/8 has 16,777,214 addresses" + limit << false;
        QTest::newRow("reversed") << "10.0.0.9-1" << true << QStringList() << 0
                                  << "10.0.0.9-1: the range ends before it starts" << false;
        QTest::newRow("host name with a dash stays")
            << "gw-1.example" << false << QStringList{"gw-1.example"} << 1 << QString() << false;
    }
    void addRange()
    {
        QFETCH(QString, typed);
        QFETCH(bool, answer);
        QFETCH(QStringList, hosts);
        QFETCH(int, count);
        QFETCH(QString, box);
        QFETCH(bool, question);
        Fixture f;
        f.input.answers = QStringList{typed};
        f.boxes.answers = QList<bool>{answer};
        f.actions.addHost();
        QCOMPARE(f.hosts.count(), count);
        if (!hosts.isEmpty())
            QCOMPARE(f.hosts.texts(), hosts);
        QCOMPARE(f.results.count(), count > 0 ? 0 : 1);
        QCOMPARE(f.state.hostListChanged, count > 0);
        QCOMPARE(f.boxes.texts(), box.isEmpty() ? QStringList() : QStringList{box});
        if (!box.isEmpty()) {
            QCOMPARE(f.boxes.shown.first().question, question);
            QCOMPARE(f.boxes.shown.first().warning, !question);
            QCOMPARE(f.boxes.shown.first().title, QStringLiteral("Vantrel"));
        }
    }

    void cancelChangesNothing()
    {
        Fixture f;
        f.actions.addHost(); // no scripted answer: Cancel
        QCOMPARE(f.hosts.count(), 0);
        QCOMPARE(f.results.count(), 1);
        QVERIFY(!f.state.hostListChanged);
        QVERIFY(f.boxes.shown.isEmpty());
    }

    void clearListIsRefusedWhileBusy()
    {
        Fixture f;
        f.hosts.append(QStringList{"a", "b"});
        f.state.beginBusy();
        f.actions.clearList();
        QCOMPARE(f.hosts.count(), 2);
        f.state.endBusy();
        f.actions.clearList();
        QCOMPARE(f.hosts.count(), 0);
        QCOMPARE(f.results.count(), 1);
        QVERIFY(!f.state.hostListChanged);
    }

    void sampleDataTwiceGivesSixEntriesInOrder()
    {
        Fixture f;
        f.actions.loadSampleData();
        f.actions.loadSampleData();
        const QStringList samples = HostListActions::sampleHosts();
        QCOMPARE(samples.at(1), QStringLiteral("74.125.45.19"));
        QCOMPARE(f.hosts.texts(), samples + samples);
        QCOMPARE(f.results.count(), 1);
    }

    void removalNeedsASelectionAndNoBusyPointer()
    {
        Fixture f;
        f.actions.removeSelected(0); // empty list
        f.hosts.append(QStringList{"a", "b"});
        f.actions.removeSelected(-1); // nothing selected
        f.state.beginBusy();
        f.actions.removeSelected(0);
        QCOMPARE(f.hosts.count(), 2);
        f.state.endBusy();
        f.actions.removeSelected(0);
        QCOMPARE(f.hosts.texts(), QStringList{"b"});
        QCOMPARE(f.results.count(), 1);
        QVERIFY(f.boxes.shown.isEmpty());
    }

    void oneFileAppendsAndKeepsResults()
    {
        Fixture f;
        f.hosts.append(QStringLiteral("first"));
        f.load({f.file("one.txt", "a\r\nb\r\n")});
        QCOMPARE(f.dialogs.lastTitle, QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"));
        QCOMPARE(f.dialogs.lastFilters, (QStringList{"Text Files (*.txt)", "All Files (*)"}));
        QCOMPARE(f.hosts.texts(), (QStringList{"first", "a", "b"}));
        QCOMPARE(f.results.count(), 1);
        QVERIFY(!f.state.hostListChanged);
    }

    void allFilesFilterShowsEveryName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("no dot") << QStringLiteral("hosts");
        QTest::newRow("text file") << QStringLiteral("hosts.txt");
        QTest::newRow("other extension") << QStringLiteral("hosts.list");
    }
    void allFilesFilterShowsEveryName()
    {
        QFETCH(QString, name);
        // The pattern between the parentheses, matched as the file dialog matches it.
        const QString filter = HostListActions::fileFilters().last();
        const qsizetype open = filter.indexOf(u'(');
        const QString pattern = filter.mid(open + 1, filter.size() - open - 2);
        const QRegularExpression wildcard(QRegularExpression::wildcardToRegularExpression(pattern));
        QVERIFY2(wildcard.match(name).hasMatch(), qPrintable(pattern));
    }

    void twoFilesAppendInOrderAndEmptyResults()
    {
        Fixture f;
        f.load({f.file("b.txt", "b1\nb2"), f.file("a.txt", "a1")});
        QCOMPARE(f.hosts.texts(), (QStringList{"b1", "b2", "a1"}));
        QCOMPARE(f.results.count(), 0);
        QVERIFY(f.state.hostListChanged);
    }

    void missingFileAmongSeveral()
    {
        Fixture f;
        f.load({f.file("a.txt", "a"), f.dir.filePath(QStringLiteral("gone.txt")), f.file("c.txt", "c")});
        QCOMPARE(f.boxes.texts(), QStringList{"File not found"});
        QVERIFY(!f.boxes.shown.first().warning);
        QCOMPARE(f.hosts.texts(), (QStringList{"a", "c"}));
        QCOMPARE(f.results.count(), 0);
        QVERIFY(f.state.hostListChanged);
    }

    void unreadableFileIsReportedAndTheRestStillLoads()
    {
        Fixture f;
        f.load({f.dir.path(), f.file("c.txt", "c")});
        QCOMPARE(f.boxes.shown.size(), 1);
        QVERIFY(f.boxes.shown.first().warning);
        QVERIFY(f.boxes.shown.first().text.contains(ErrorLocations::LoadListFiles + QStringLiteral("at line 134")));
        QCOMPARE(f.hosts.texts(), QStringList{"c"});
    }

    void refusedRangeRefusesItsFileOnly()
    {
        Fixture f;
        const QString bad = f.file("bad.txt", "x\n10.0.0.0/8\n");
        f.load({f.file("a.txt", "10.0.0.1-2"), bad, f.file("c.txt", "c")});
        QCOMPARE(f.boxes.shown.size(), 1);
        QVERIFY(f.boxes.shown.first().warning);
        const QString text = f.boxes.shown.first().text;
        QVERIFY2(text.contains(QStringLiteral("Cannot read %1: line 2: 10.0.0.0/8 has 16,777,214 addresses").arg(bad)),
                 qPrintable(text));
        QCOMPARE(f.hosts.texts(), (QStringList{"10.0.0.1", "10.0.0.2", "c"}));
    }

    void cancelledDialogDoesNothing()
    {
        Fixture f;
        f.actions.chooseListFiles();
        QVERIFY(!f.state.isBusy());
        QVERIFY(!f.actions.isLoading());
        QCOMPARE(f.hosts.count(), 0);
    }
};

QTEST_GUILESS_MAIN(HostListActionsTest)
#include "HostListActionsTest.moc"
