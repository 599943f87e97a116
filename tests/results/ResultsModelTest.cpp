#include "results/ResultsModel.h"

#include "core/HostListModel.h"
#include "results/ResultsFormat.h"
#include "tests/fakes/ResultsFeed.h"

#include <QAbstractItemModelTester>
#include <QtTest>

namespace
{
// The state changes the core hands its readers.
struct StateChanges : HostTableObserver {
    explicit StateChanges(HostTable& table) : m_table(table) { table.addObserver(this); }
    ~StateChanges() override { m_table.removeObserver(this); }
    void statesChanged(std::span<const StateChange> changes) override
    {
        for (const StateChange& c : changes)
            seen.append(c);
    }
    QList<StateChange> seen;
    HostTable& m_table;
};
} // namespace

class ResultsModelTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void failedPercent_data()
    {
        QTest::addColumn<qint64>("succeeded");
        QTest::addColumn<qint64>("failed");
        QTest::addColumn<QString>("text");
        QTest::newRow("none failed") << qint64(5) << qint64(0) << QStringLiteral("0.00%");
        QTest::newRow("first failure") << qint64(0) << qint64(1) << QStringLiteral("100.00%");
        QTest::newRow("1 of 2") << qint64(1) << qint64(1) << QStringLiteral("50.00%");
        QTest::newRow("1 of 3") << qint64(2) << qint64(1) << QStringLiteral("33.33%");
        QTest::newRow("2 of 3") << qint64(1) << qint64(2) << QStringLiteral("66.67%");
        QTest::newRow("1 of 8") << qint64(7) << qint64(1) << QStringLiteral("12.50%");
        // 1 of 20000 is 0.005%: a half, rounded to the even 0.00.
        QTest::newRow("half to even down") << qint64(19999) << qint64(1) << QStringLiteral("0.00%");
        // 3 of 20000 is 0.015%: a half, rounded to the even 0.02.
        QTest::newRow("half to even up") << qint64(19997) << qint64(3) << QStringLiteral("0.02%");
        QTest::newRow("past 16 bits") << qint64(40000) << qint64(40000) << QStringLiteral("50.00%");
        QTest::newRow("a century of rounds") << qint64(1000000000000) << qint64(1) << QStringLiteral("0.00%");
    }
    void failedPercent()
    {
        QFETCH(qint64, succeeded);
        QFETCH(qint64, failed);
        QFETCH(QString, text);
        QCOMPARE(ResultsFormat::failedPercent(succeeded, failed), text);
    }

    void averageHalvesToEven_data()
    {
        QTest::addColumn<quint64>("sum");
        QTest::addColumn<quint64>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("exact") << quint64(30) << quint64(3) << QStringLiteral("10");
        QTest::newRow("2.5 to 2") << quint64(5) << quint64(2) << QStringLiteral("2");
        QTest::newRow("3.5 to 4") << quint64(7) << quint64(2) << QStringLiteral("4");
        QTest::newRow("mean of 1, 1, 2") << quint64(4) << quint64(3) << QStringLiteral("1");
        QTest::newRow("no success yet") << quint64(0) << quint64(0) << QString();
    }
    void averageHalvesToEven()
    {
        QFETCH(quint64, sum);
        QFETCH(quint64, count);
        QFETCH(QString, text);
        const std::optional<qint64> ms = ResultsFormat::averageMs(sum, count);
        QCOMPARE(ms ? QString::number(*ms) : QString(), text);
    }

    void dateTimeHoldsFullYearAndSeconds_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("text");
        // The locale's order and separators, a four-digit year, and the time with seconds.
        QTest::newRow("us afternoon") << "en_US" << QTime(15, 5, 9) << "12/7/2026 3:05:09 PM";
        QTest::newRow("us midnight") << "en_US" << QTime(0, 0) << "12/7/2026 12:00:00 AM";
        QTest::newRow("german") << "de_DE" << QTime(15, 5, 9) << "07.12.2026 15:05:09";
        QTest::newRow("british") << "en_GB" << QTime(15, 5, 9) << "07/12/2026 15:05:09";
        QTest::newRow("japanese") << "ja_JP" << QTime(15, 5, 9) << "2026/12/07 15時05分09秒";
        QTest::newRow("french") << "fr_FR" << QTime(15, 5, 9) << "07/12/2026 15:05:09";
        QTest::newRow("c") << "C" << QTime(15, 5, 9) << "7 Dec 2026 15:05:09";
    }
    void dateTimeHoldsFullYearAndSeconds()
    {
        QFETCH(QString, locale);
        QFETCH(QTime, time);
        QFETCH(QString, text);
        QCOMPARE(ResultsFormat::dateTime(QLocale(locale), QDateTime(QDate(2026, 12, 7), time)), text);
    }

    void fullYearFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("widened");
        QTest::newRow("day first") << "d.M.yy"
                                   << "d.M.yyyy";
        QTest::newRow("year first") << "yy/MM/dd"
                                    << "yyyy/MM/dd";
        QTest::newRow("already four digits") << "dd/MM/yyyy"
                                             << "dd/MM/yyyy";
        QTest::newRow("three read as two") << "yyy-MM-dd"
                                           << "yyyy-MM-dd";
        QTest::newRow("quoted text kept") << "d 'yy' M yy"
                                          << "d 'yy' M yyyy";
        QTest::newRow("escaped quote") << "d''yy"
                                       << "d''yyyy";
    }
    void fullYearFormat()
    {
        QFETCH(QString, format);
        QFETCH(QString, widened);
        QCOMPARE(ResultsFormat::withFullYear(format), widened);
    }

    void cellWidthIsTheCellTextsLength()
    {
        // Rows whose cells reach every length boundary: 0, 9, 10 and large counts, 0 % to 100 %, short and long
        // addresses, IPv6, a name with a surrogate pair, cells never filled.
        ResultsModel model;
        const QDateTime when(QDate(2026, 12, 9), QTime(23, 59, 59));
        const QStringList names{"10.0.0.1", QStringLiteral("h\U0001F600st"), "a.example", "b.example", "c.example"};
        for (qsizetype i = 0; i < names.size(); ++i)
            model.appendRow(quint64(i + 1), names.at(i));
        HostTable& t = model.table();
        ResultsFeed::success(t, t.slotAt(0), IpAddress::fromIpv4(0x01020304), 9, 1, when);
        for (int k = 0; k < 10; ++k)
            ResultsFeed::success(t, t.slotAt(1), IpAddress::fromIpv4(0xFFFEFDFC), 123456, 255, when);
        ResultsFeed::failure(t, t.slotAt(1), 11010, when);
        ResultsFeed::success(t, t.slotAt(2), *IpAddress::parseIpv6(QStringLiteral("fd00::1:2")), 10, 64, when);
        for (int k = 0; k < 3; ++k)
            ResultsFeed::failure(t, t.slotAt(2), 11003, when);
        ResultsFeed::failure(t, t.slotAt(3), 200, when);
        for (int row = 0; row < model.count(); ++row) {
            for (int c = 0; c < ResultsModel::ColumnCount; ++c)
                QCOMPARE(model.cellWidth(row, c), int(model.cellText(row, c).toUcs4().size()));
        }
    }
    void newRowHasOnlyItsHostText()
    {
        ResultsModel model;
        QAbstractItemModelTester tester(&model);
        model.appendRow(7, QStringLiteral("router-2"));
        QCOMPARE(model.columnCount(), 12);
        QCOMPARE(model.cellText(0, 0), QStringLiteral("router-2"));
        for (int c = 1; c < 12; ++c)
            QVERIFY2(model.cellText(0, c).isEmpty(), qPrintable(QString::number(c)));
        QCOMPARE(model.headerData(8, Qt::Horizontal).toString(), QStringLiteral("Average Ping Time (ms)"));
    }

    void successThenFailureFillTheirCells()
    {
        ResultsModel model;
        model.setLocale(QLocale(QStringLiteral("en_US")));
        QAbstractItemModelTester tester(&model);
        const HostTable::Slot row = model.appendRow(1, QStringLiteral("h"));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy recorded(&model, &ResultsModel::outcomesRecorded);
        const QDateTime when(QDate(2026, 12, 7), QTime(15, 5, 9));

        ResultsFeed::success(model.table(), row, IpAddress::fromIpv4(0x7F000001), 3, 64, when);
        QCOMPARE(recorded.size(), 1);
        QTRY_COMPARE(changed.size(), 1); // at the end of the frame
        const QStringList afterSuccess = model.snapshot().rows.first();
        QCOMPARE(afterSuccess, (QStringList{"h", "127.0.0.1", "1", "0", "0.00%", "Success", "3", "64", "3", "",
                                            "12/7/2026 3:05:09 PM", ""}));

        ResultsFeed::success(model.table(), row, IpAddress::fromIpv4(0x7F000001), 4, 64, when);
        ResultsFeed::failure(model.table(), row, 11010, when.addSecs(3));
        QCOMPARE(recorded.size(), 3);
        const QStringList afterFailure = model.snapshot().rows.first();
        QCOMPARE(afterFailure, (QStringList{"h", "127.0.0.1", "2", "1", "33.33%", "Request timed out", "4", "64", "4",
                                            "", "12/7/2026 3:05:09 PM", "12/7/2026 3:05:12 PM"}));
    }

    // Outcomes are announced at once; changed cells once per frame, as one span of rows.
    void changedRowsAreAnnouncedOncePerFrame()
    {
        ResultsModel model;
        QAbstractItemModelTester tester(&model);
        QList<HostTable::Slot> rows;
        for (int i = 0; i < 10; ++i)
            rows.append(model.appendRow(i + 1, QString::number(i)));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy recorded(&model, &ResultsModel::outcomesRecorded);
        const QDateTime when = QDateTime::currentDateTime();
        ResultsFeed::failure(model.table(), rows.at(7), 11010, when);
        ResultsFeed::success(model.table(), rows.at(3), IpAddress::fromIpv4(1), 1, 64, when);
        ResultsFeed::success(model.table(), rows.at(5), IpAddress::fromIpv4(1), 1, 64, when);
        QCOMPARE(recorded.size(), 3);
        QCOMPARE(changed.size(), 0);
        QTRY_COMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 3);
        QCOMPARE(changed.first().at(1).toModelIndex().row(), 7);

        // A removal announces what is pending first, under the old row numbers.
        ResultsFeed::failure(model.table(), rows.at(9), 11010, when);
        model.removeAt(0);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.last().at(0).toModelIndex().row(), 9);
        QTest::qWait(3 * ResultsModel::ChangeFrameMs);
        QCOMPARE(changed.size(), 2);
    }

    void firstFailureShowsZeroSuccessesAndNothingElse()
    {
        ResultsModel model;
        model.setLocale(QLocale(QStringLiteral("en_US")));
        const HostTable::Slot row = model.appendRow(1, QStringLiteral("h"));
        ResultsFeed::failure(model.table(), row, 11003, QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
        QCOMPARE(model.snapshot().rows.first(),
                 (QStringList{"h", "", "0", "1", "100.00%", "Destination host unreachable", "", "", "", "", "",
                              "12/7/2026 12:00:00 AM"}));
    }

    void snapshotCarriesTheNumbersItShows_data()
    {
        QTest::addColumn<int>("successes");
        QTest::addColumn<int>("failures");
        QTest::newRow("not pinged yet") << 0 << 0;
        QTest::newRow("failed only") << 0 << 2;
        QTest::newRow("answered and failed") << 3 << 1;
    }
    void snapshotCarriesTheNumbersItShows()
    {
        QFETCH(int, successes);
        QFETCH(int, failures);
        ResultsModel model;
        const HostTable::Slot row = model.appendRow(1, QStringLiteral("h"));
        for (int i = 0; i < successes; ++i)
            ResultsFeed::success(model.table(), row, IpAddress::fromIpv4(1), static_cast<quint32>(10 + i), 64,
                                 QDateTime::currentDateTime());
        for (int i = 0; i < failures; ++i)
            ResultsFeed::failure(model.table(), row, 11010, QDateTime::currentDateTime());

        const ResultsSnapshot s = model.snapshot();
        QCOMPARE(s.kinds.size(), s.headers.size());
        for (int c = 0; c < s.headers.size(); ++c) {
            const CellKind kind = s.kind(c);
            const bool wholeNumber = kind == CellKind::Count || kind == CellKind::Milliseconds || kind == CellKind::Ttl;
            const QString text = s.rows.first().at(c);
            const std::optional<qint64> n = s.number(0, c);
            QVERIFY2(n.has_value() == (wholeNumber && !text.isEmpty()), qPrintable(s.headers.at(c)));
            if (n)
                QCOMPARE(QString::number(*n), text);
        }
    }

    void averageIsTheMeanOfAllSuccesses()
    {
        ResultsModel model;
        const HostTable::Slot row = model.appendRow(1, QStringLiteral("h"));
        for (quint32 rtt : {10u, 20u, 30u, 41u})
            ResultsFeed::success(model.table(), row, IpAddress::fromIpv4(1), rtt, 64, QDateTime::currentDateTime());
        ResultsFeed::failure(model.table(), row, 11010, QDateTime::currentDateTime());
        QCOMPARE(model.cellText(0, ResultsModel::AverageTime), QStringLiteral("25")); // 101 / 4 = 25.25
        QCOMPARE(model.cellText(0, ResultsModel::LastTime), QStringLiteral("41"));
    }

    void removedRowsTakeNoOutcomeAndLoseTheirHost()
    {
        ResultsModel model;
        QAbstractItemModelTester tester(&model);
        HostTable& table = model.table();
        const HostTable::Slot a = model.appendRow(1, QStringLiteral("a"));
        const HostTable::Slot b = model.appendRow(2, QStringLiteral("b"));
        const quint64 oldTag = table.tagOf(a);
        model.removeAt(0);
        QCOMPARE(table.currentSlotOf(1), HostTable::NoSlot);
        QCOMPARE(table.currentSlotOf(2), b);
        // A new row may take the removed row's slot, but never an outcome asked for by the old one.
        const HostTable::Slot c = model.appendRow(3, QStringLiteral("c"));
        QCOMPARE(c, a);
        EchoOutcome late = ResultsFeed::outcome(table, c, EchoStatus::Success, QDateTime::currentDateTime());
        late.tag = oldTag;
        QCOMPARE(table.apply(std::span(&late, 1)).answered, 0);
        QVERIFY(!table.counted(c));
        ResultsFeed::failure(table, b, 11010, QDateTime::currentDateTime());
        QCOMPARE(model.cellText(0, ResultsModel::FailedCount), QStringLiteral("1"));
        model.clear();
        QCOMPARE(model.count(), 0);
        QCOMPARE(table.currentSlotOf(2), HostTable::NoSlot);
    }

    void hostEntriesKeepTheirIdentity()
    {
        HostListModel hosts;
        QAbstractItemModelTester tester(&hosts);
        const quint64 a = hosts.append(QStringLiteral("a"));
        hosts.append(QStringList{QStringLiteral("b"), QStringLiteral("b"), QString()});
        const quint64 d = hosts.entry(3).id;
        hosts.removeAt(1);
        QCOMPARE(hosts.texts(), (QStringList{"a", "b", ""}));
        QCOMPARE(hosts.indexOfId(a), 0);
        QCOMPARE(hosts.indexOfId(d), 2);
        QVERIFY(!hosts.contains(a + 1));
        QCOMPARE(hosts.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Host Names / IP Addresses"));
    }
    // Outcomes: s = success, f = failure. States after each outcome: ? unknown, u up, d down. sinceAt: the
    // outcome whose time the final state's "since" holds.
    void hostStateFollowsStreaks_data()
    {
        QTest::addColumn<int>("downAfter");
        QTest::addColumn<int>("upAfter");
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<QString>("states");
        QTest::addColumn<int>("sinceAt");
        QTest::newRow("unknown until the first streak") << 3 << 1 << QStringLiteral("ff") << QStringLiteral("??") << -1;
        QTest::newRow("down after N failures") << 3 << 1 << QStringLiteral("fff") << QStringLiteral("??d") << 0;
        QTest::newRow("first reply: up at once") << 3 << 1 << QStringLiteral("s") << QStringLiteral("u") << 0;
        QTest::newRow("a success resets the failures")
            << 3 << 1 << QStringLiteral("sffsfff") << QStringLiteral("uuuuuud") << 4;
        QTest::newRow("up after M successes")
            << 2 << 3 << QStringLiteral("ffssfsss") << QStringLiteral("?ddddddu") << 5;
        QTest::newRow("one failure is no alarm") << 3 << 1 << QStringLiteral("sfsfs") << QStringLiteral("uuuuu") << 0;
        QTest::newRow("down stays down") << 1 << 1 << QStringLiteral("sffff") << QStringLiteral("udddd") << 1;
        QTest::newRow("thresholds below 1 act as 1") << 0 << 0 << QStringLiteral("fs") << QStringLiteral("du") << 1;
    }
    void hostStateFollowsStreaks()
    {
        QFETCH(int, downAfter);
        QFETCH(int, upAfter);
        QFETCH(QString, outcomes);
        QFETCH(QString, states);
        QFETCH(int, sinceAt);
        ResultsModel model;
        model.table().setStateThresholds({downAfter, upAfter});
        const HostTable::Slot id = model.appendRow(1, QStringLiteral("h"));
        StateChanges changes(model.table());
        const QDateTime t0(QDate(2026, 1, 2), QTime(3, 4, 5));
        int expectedChanges = 0;
        QChar before = u'?';
        for (qsizetype k = 0; k < outcomes.size(); ++k) {
            const QDateTime when = t0.addSecs(k);
            if (outcomes.at(k) == u's')
                ResultsFeed::success(model.table(), id, IpAddress::fromIpv4(0x7f000001), 1, 64, when);
            else
                ResultsFeed::failure(model.table(), id, 11010, when);
            const HostState state = model.table().states().state(id);
            const QChar shown = state == HostState::Up ? u'u' : state == HostState::Down ? u'd' : u'?';
            QCOMPARE(shown, states.at(k));
            expectedChanges += shown != before;
            before = shown;
        }
        QCOMPARE(changes.seen.size(), expectedChanges);
        const qint64 since = model.table().states().sinceUs(id);
        QCOMPARE(since, sinceAt < 0 ? 0 : t0.addSecs(sinceAt).toMSecsSinceEpoch() * 1000);
        // The twelve cells do not show the state.
        QCOMPARE(model.columnCount(), 12);
    }

    void stateChangeCarriesThePreviousState()
    {
        ResultsModel model;
        const HostTable::Slot id = model.appendRow(1, QStringLiteral("h"));
        StateChanges changes(model.table());
        const QDateTime t0(QDate(2026, 1, 2), QTime(3, 4, 5));
        for (int k = 0; k < 3; ++k)
            ResultsFeed::failure(model.table(), id, 11010, t0.addSecs(k));
        ResultsFeed::success(model.table(), id, IpAddress::fromIpv4(1), 1, 64, t0.addSecs(10));
        QCOMPARE(changes.seen.size(), 2);
        QCOMPARE(changes.seen.at(1).previous, HostState::Down);
        QCOMPARE(changes.seen.at(1).previousSinceUs, t0.toMSecsSinceEpoch() * 1000);
        QCOMPARE(model.table().states().sinceUs(id), t0.addSecs(10).toMSecsSinceEpoch() * 1000);
    }

    // A fresh row of a host (built after the list changed) goes on from the host's state, and the old row
    // no longer stands for the list; neither does the row of a host that left the list.
    void stateAndCurrencyBelongToTheHost()
    {
        ResultsModel model;
        HostTable& table = model.table();
        table.setStateThresholds({1, 1});
        const HostTable::Slot old = model.appendRow(1, QStringLiteral("h"));
        const HostTable::Slot other = model.appendRow(2, QStringLiteral("k"));
        ResultsFeed::failure(table, old, 11010, QDateTime::currentDateTime());
        QCOMPARE(table.states().state(old), HostState::Down);
        const HostTable::Slot fresh = model.appendRow(1, QStringLiteral("h"));
        QVERIFY(!table.isCurrent(old));
        QVERIFY(table.isCurrent(fresh));
        QCOMPARE(table.states().state(fresh), HostState::Down);
        QCOMPARE(table.currentSlotOf(1), fresh);
        const quint64 gone[] = {2};
        table.hostsUnlisted(gone);
        QVERIFY(!table.isCurrent(other));
        QCOMPARE(table.currentSlotOf(2), HostTable::NoSlot);
    }

    // A LAN answers in tens of microseconds: the cells show whole milliseconds as they always have, the
    // core keeps the microseconds for those who read them.
    void microsecondsKeptBehindWholeMillisecondCells()
    {
        ResultsModel model;
        const HostTable::Slot s = model.appendRow(1, QStringLiteral("h"));
        for (quint32 us : {40u, 1600u, 1600u})
            ResultsFeed::successUs(model.table(), s, IpAddress::fromIpv4(1), us, 64, QDateTime::currentDateTime());
        QCOMPARE(model.cellText(0, ResultsModel::LastTime), QStringLiteral("1"));
        // The average is that of the whole milliseconds shown: (0 + 1 + 1) / 3.
        QCOMPARE(model.cellText(0, ResultsModel::AverageTime), QStringLiteral("1"));
        QCOMPARE(model.table().rttSumUs(s), quint64(3240));
    }
};

QTEST_GUILESS_MAIN(ResultsModelTest)
#include "ResultsModelTest.moc"
