// The window beyond its fixed layout: resizing, sorting, the failing-only filter, menus and shortcuts,
// dropped list files and the remembered geometry.

#include "app/gui/MainWindow.h"
#include "app/gui/ResultsViewProxy.h"
#include "core/HostListModel.h"
#include "monitor/Monitor.h"
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
#include "tests/fakes/ResultsFeed.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <memory>

namespace
{

struct Fixture : WindowFixture {
    MainWindow& make() { return makeWindow(); }
    QTreeView* view(const char* name) { return window->findChild<QTreeView*>(QLatin1String(name)); }
};

// Four hosts, one of each kind of outcome, so that every column sorts them in its own way:
//   b.example  two successes from 10.0.0.10 (20 ms) on December 9
//   10.0.0.10  a success from 10.0.0.9 (3 ms) on December 10, then a failure
//   10.0.0.9   one failure
//   a.example  not pinged
void fillResults(WindowFixture& f)
{
    f.hostList().append(QStringList{"b.example", "10.0.0.10", "10.0.0.9", "a.example"});
    ResultsModel& r = f.results();
    QList<HostTable::Slot> rows;
    for (int i = 0; i < 4; ++i)
        rows.append(r.appendRow(f.hostList().entry(i).id, f.hostList().text(i)));
    const QDateTime dec9(QDate(2026, 12, 9), QTime(10, 0));
    const QDateTime dec10(QDate(2026, 12, 10), QTime(9, 0));
    ResultsFeed::success(r.table(), rows[0], IpAddress::fromIpv4(0x0A00000A), 20, 64, dec9);
    ResultsFeed::success(r.table(), rows[0], IpAddress::fromIpv4(0x0A00000A), 20, 64, dec9);
    ResultsFeed::success(r.table(), rows[1], IpAddress::fromIpv4(0x0A000009), 3, 128, dec10);
    ResultsFeed::failure(r.table(), rows[1], 11010, dec10.addSecs(5));
    ResultsFeed::failure(r.table(), rows[2], 11010, dec10.addSecs(6));
    r.flushChangedRows();
}

QStringList shownHosts(QAbstractItemModel* model)
{
    QStringList hosts;
    for (int i = 0; i < model->rowCount(); ++i)
        hosts.append(model->index(i, 0).data().toString());
    return hosts;
}

void clickHeader(QTreeView* view, int column)
{
    QHeaderView* header = view->header();
    const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

QStringList firstCells(const QString& text)
{
    QStringList hosts;
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        hosts.append(line.section(QLatin1Char('\t'), 0, 0).trimmed());
    return hosts;
}

const QStringList Inserted = {"b.example", "10.0.0.10", "10.0.0.9", "a.example"};

} // namespace

class WindowExtensionsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void resizingGrowsTheTables()
    {
        Fixture f;
        MainWindow& w = f.make();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(936, 828); // 400 wider, 300 taller
        QTRY_COMPARE(f.view("hostView")->geometry(), QRect(8, 8, 920, 224));
        QCOMPARE(f.view("resultsView")->geometry(), QRect(8, 340, 920, 340));
        auto button = [&](const char* name) { return w.findChild<QPushButton*>(QLatin1String(name))->geometry(); };
        QCOMPARE(button("startStopButton"), QRect(8, 306, 920, 27));
        QCOMPARE(button("saveTextButton"), QRect(8, 686, 456, 27));
        QCOMPARE(button("saveWorkbookButton"), QRect(472, 686, 456, 27));
        QCOMPARE(w.findChild<QWidget*>(QStringLiteral("pauseEdit"))->geometry(), QRect(56, 796, 33, 22));
    }

    void headerClicksSortEachKindOfColumn_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("ascending");
        QTest::addColumn<QStringList>("descending");
        // Empty cells come first going up; equal cells keep the order the rows were added in.
        QTest::newRow("host: addresses by number, then names")
            << int(ResultsModel::HostName) << QStringList{"10.0.0.9", "10.0.0.10", "a.example", "b.example"}
            << QStringList{"b.example", "a.example", "10.0.0.10", "10.0.0.9"};
        QTest::newRow("reply address by number")
            << int(ResultsModel::ReplyAddress) << QStringList{"10.0.0.9", "a.example", "10.0.0.10", "b.example"}
            << QStringList{"b.example", "10.0.0.10", "10.0.0.9", "a.example"};
        QTest::newRow("count") << int(ResultsModel::SucceedCount)
                               << QStringList{"a.example", "10.0.0.9", "10.0.0.10", "b.example"}
                               << QStringList{"b.example", "10.0.0.10", "10.0.0.9", "a.example"};
        QTest::newRow("percentage") << int(ResultsModel::PercentFailed)
                                    << QStringList{"a.example", "b.example", "10.0.0.10", "10.0.0.9"}
                                    << QStringList{"10.0.0.9", "10.0.0.10", "b.example", "a.example"};
        QTest::newRow("time") << int(ResultsModel::LastTime)
                              << QStringList{"10.0.0.9", "a.example", "10.0.0.10", "b.example"}
                              << QStringList{"b.example", "10.0.0.10", "10.0.0.9", "a.example"};
        QTest::newRow("TTL") << int(ResultsModel::LastTtl)
                             << QStringList{"10.0.0.9", "a.example", "b.example", "10.0.0.10"}
                             << QStringList{"10.0.0.10", "b.example", "10.0.0.9", "a.example"};
        QTest::newRow("date") << int(ResultsModel::LastSucceedOn)
                              << QStringList{"10.0.0.9", "a.example", "b.example", "10.0.0.10"}
                              << QStringList{"10.0.0.10", "b.example", "10.0.0.9", "a.example"};
    }
    void headerClicksSortEachKindOfColumn()
    {
        QFETCH(int, column);
        QFETCH(QStringList, ascending);
        QFETCH(QStringList, descending);
        Fixture f;
        MainWindow& w = f.make();
        fillResults(f);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTreeView* view = f.view("resultsView");
        QCOMPARE(shownHosts(view->model()), Inserted);
        view->header()->resizeSection(column, 40); // every header is reachable at the default size
        view->scrollTo(view->model()->index(0, column));
        clickHeader(view, column);
        QCOMPARE(shownHosts(view->model()), ascending);
        QCOMPARE(view->header()->sortIndicatorSection(), column);
        clickHeader(view, column);
        QCOMPARE(shownHosts(view->model()), descending);
        QCOMPARE(view->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        clickHeader(view, column);
        QCOMPARE(shownHosts(view->model()), Inserted);
        QCOMPARE(view->header()->sortIndicatorSection(), -1);
    }

    // Exports write every row in the order shown, also the rows the filter hides.
    void exportsFollowTheViewOrder()
    {
        Fixture f;
        MainWindow& w = f.make();
        fillResults(f);
        f.resultsView().setSort(ResultsModel::PercentFailed, Qt::DescendingOrder);
        f.resultsView().setFailingOnly(true);
        const QStringList shown = {"10.0.0.9", "10.0.0.10", "b.example", "a.example"};
        QCOMPARE(shownHosts(f.view("resultsView")->model()), shown.mid(0, 2));

        w.findChild<QPushButton*>(QStringLiteral("copyButton"))->click();
        QCOMPARE(firstCells(f.clipboard.content), shown);

        const QString path = f.folder.filePath(QStringLiteral("results.txt"));
        f.dialogs.saveAnswers = {path};
        w.findChild<QPushButton*>(QStringLiteral("saveTextButton"))->click();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5); // the header line, then the rows
        for (int i = 0; i < shown.size(); ++i)
            QVERIFY2(lines.at(i + 1).startsWith(shown.at(i)), qPrintable(lines.at(i + 1)));
    }

    void filterShowsOnlyFailingHostsAndTheSummaryCounts()
    {
        Fixture f;
        MainWindow& w = f.make();
        fillResults(f);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTreeView* view = f.view("resultsView");
        QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(shownHosts(view->model()), (QStringList{"10.0.0.10", "10.0.0.9"}));
        // The filter keeps up with new outcomes.
        ResultsFeed::failure(f.results().table(), f.table().slotAt(0), 11010, QDateTime::currentDateTime());
        QTRY_COMPARE(shownHosts(view->model()), (QStringList{"b.example", "10.0.0.10", "10.0.0.9"}));
        QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(view->model()->rowCount(), 4);

        auto* summary = w.findChild<QLabel*>(QStringLiteral("summaryLabel"));
        QTRY_COMPARE(summary->toolTip(), QStringLiteral("4 hosts: 0 answering, 3 failing, 1 not yet pinged"));
        // A removed host's row stays, greyed, and no longer counts.
        f.hostList().removeAt(0);
        QCOMPARE(view->model()->rowCount(), 4);
        QVERIFY(view->model()->index(0, 1).data(Qt::ForegroundRole).isValid());
        QVERIFY(!view->model()->index(1, 1).data(Qt::ForegroundRole).isValid());
        QTRY_COMPARE(summary->toolTip(), QStringLiteral("3 hosts: 0 answering, 2 failing, 1 not yet pinged"));
        // Each outcome has its own mark, not only its own colour.
        QCOMPARE(view->model()->index(1, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("Failing"));
        QCOMPARE(view->model()->index(3, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("Not yet pinged"));
        QVERIFY(view->model()->index(3, 0).data(Qt::DecorationRole).canConvert<QIcon>());
    }

    void deleteRemovesEverySelectedHost()
    {
        Fixture f;
        f.make();
        f.hostList().append(QStringList{"a", "b", "c", "d"});
        QTreeView* view = f.view("hostView");
        for (int row : {0, 2, 3})
            view->selectionModel()->select(f.hostList().index(row),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(f.hostList().texts(), QStringList{"b"});
    }

    void droppedListFilesLoadInOrder()
    {
        Fixture f;
        f.make();
        f.hostList().append(QStringLiteral("first"));
        QList<QUrl> urls;
        for (const char* content : {"x\ny\n", "z"}) {
            const QString path = f.folder.filePath(QString::number(urls.size()) + QStringLiteral(".txt"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
            urls.append(QUrl::fromLocalFile(path));
        }
        QMimeData mime;
        mime.setUrls(urls);
        QWidget* target = f.view("hostView")->viewport();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
        QTRY_COMPARE(f.hostList().texts(), (QStringList{"first", "x", "y", "z"}));
    }

    void shortcutsTriggerTheirActions()
    {
        Fixture f;
        MainWindow& w = f.make();
        fillResults(f);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        f.view("hostView")->setFocus();

        f.input.answers = {QStringLiteral("added")};
        QTest::keyClick(&w, Qt::Key_Insert);
        QCOMPARE(f.hostList().texts().last(), QStringLiteral("added"));

        QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(f.dialogs.lastTitle, QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"));

        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f.dialogs.lastTitle, QStringLiteral("Save"));

        QTest::keyClick(&w, Qt::Key_F5);
        QVERIFY(f.monitor().isOn());
        QTest::keyClick(&w, Qt::Key_F5);
        QVERIFY(!f.monitor().isOn());

        // Ctrl+C in the results table copies the selected rows, in the order shown, without a box.
        fillResults(f);
        QTreeView* results = f.view("resultsView");
        results->setFocus();
        f.resultsView().setSort(ResultsModel::HostName, Qt::AscendingOrder);
        for (int row : {0, 2})
            results->selectionModel()->select(results->model()->index(row, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::keyClick(results, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(firstCells(f.clipboard.content), (QStringList{"10.0.0.9", "a.example"}));
        QVERIFY(f.boxes.shown.isEmpty());

        // The menus show the shortcuts.
        const QList<QAction*> menu = results->actions();
        auto entry = [&](const QString& text) {
            return std::find_if(menu.begin(), menu.end(), [&](QAction* a) { return a->text().startsWith(text); });
        };
        QVERIFY(entry(QStringLiteral("Copy Selected Rows")) != menu.end());
        QCOMPARE((*entry(QStringLiteral("Copy Selected Rows")))->shortcut(), QKeySequence(QKeySequence::Copy));
        QVERIFY((*entry(QStringLiteral("Delete Selected Rows")))->text().endsWith(QStringLiteral("\tDel")));
    }

    void viewSettingsComeBackAtTheNextStart()
    {
        Fixture f;
        const QString saved = QStringLiteral("Corvexa/Vantrel/IP Addresses");
        f.settings.values.insert(saved, QStringLiteral("a;b"));
        {
            MainWindow& w = f.make();
            w.startUp();
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.resize(900, 700);
            f.view("resultsView")->header()->resizeSection(3, 77);
            clickHeader(f.view("resultsView"), 1);
            clickHeader(f.view("resultsView"), 1);
            QVERIFY(w.close());
            f.window.reset();
        }
        // The host list's group holds the list and nothing else.
        for (auto it = f.settings.values.cbegin(); it != f.settings.values.cend(); ++it)
            QVERIFY2(!it.key().startsWith(QStringLiteral("Corvexa/Vantrel/")) || it.key() == saved,
                     qPrintable(it.key()));
        QCOMPARE(f.settings.values.value(saved), QStringLiteral("a;b"));
        QCOMPARE(f.settings.values.value(QStringLiteral("Corvexa/Window/SortColumn")), QStringLiteral("1"));

        MainWindow& w = f.make();
        w.startUp();
        QCOMPARE(w.size(), QSize(900, 700));
        QTreeView* results = f.view("resultsView");
        QCOMPARE(results->header()->sectionSize(3), 77);
        QCOMPARE(results->header()->sectionSize(4), 153);
        QCOMPARE(results->header()->sortIndicatorSection(), 1);
        QCOMPARE(results->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    }
};

QTEST_MAIN(WindowExtensionsTest)
#include "WindowExtensionsTest.moc"
