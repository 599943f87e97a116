#include "monitor/Monitor.h"

#include "core/AppTexts.h"
#include "core/ErrorBox.h"
#include "core/HostListModel.h"
#include "core/SessionState.h"
#include "monitor/PauseText.h"
#include "results/ResultsModel.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakeEchoService.h"
#include "tests/fakes/FakeHostResolver.h"
#include "tests/fakes/FakeMessageBoxes.h"
#include "tests/fakes/ResultsFeed.h"

#include <QtTest>

namespace
{
constexpr quint32 Localhost = 0x7F000001;

struct Fixture {
    HostListModel hosts;
    ResultsModel results;
    SessionState state;
    FakeMessageBoxes boxes;
    ErrorBox errorBox{boxes};
    FakeClock clock;
    FakeEchoService echo{&clock};
    FakeHostResolver resolver;
    Monitor monitor{hosts, results.table(), state, errorBox, boxes, echo, resolver};
    QSignalSpy finished{&monitor, &Monitor::roundFinished};

    Fixture() { results.setLocale(QLocale(QStringLiteral("en_US"))); }

    void start(const QStringList& list = {})
    {
        hosts.append(list);
        monitor.startOrStop(QStringLiteral("3"));
        QVERIFY(monitor.isOn());
    }
    // One tick, every waiting echo answered by reply(address), and the round's end awaited.
    template <typename F> void round(F reply)
    {
        const qsizetype before = finished.size();
        monitor.runRoundNow();
        QTRY_VERIFY_WITH_TIMEOUT(echo.waiting() > 0 || finished.size() > before, 5000);
        echo.answerAll(reply);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), before + 1, 5000);
    }
    void roundAllSucceed()
    {
        round([](const QString&) { return FakeEchoService::success(Localhost, 2, 64); });
    }
    QStringList column(int c) const
    {
        QStringList texts;
        for (int r = 0; r < results.count(); ++r)
            texts.append(results.cellText(r, c));
        return texts;
    }
};
} // namespace

class MonitorTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void emptyHostListRefusesToStart()
    {
        Fixture f;
        f.monitor.startOrStop(QStringLiteral("3"));
        QCOMPARE(f.boxes.texts(), QStringList{"Enter host name or IP Address!"});
        QCOMPARE(f.monitor.caption(), QStringLiteral("Start Pinging"));
        QVERIFY(!f.monitor.isOn());
    }

    void pauseText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("ms");
        QTest::newRow("3") << "3"
                           << "en_US" << 3000;
        QTest::newRow("2.5 honoured") << "2.5"
                                      << "en_US" << 2500;
        QTest::newRow("locale comma") << "2,5"
                                      << "de_DE" << 2500;
        QTest::newRow("dot in a comma locale") << "3.5"
                                               << "de_DE" << 3500;
        QTest::newRow("millisecond") << "0.001"
                                     << "en_US" << 1;
        QTest::newRow("a day") << "86400"
                               << "en_US" << 86400000;
        QTest::newRow("past 32 seconds") << "33"
                                         << "en_US" << 33000;
        QTest::newRow("blanks around") << " 4 "
                                       << "en_US" << 4000;
        QTest::newRow("empty") << ""
                               << "en_US" << -1;
        QTest::newRow("letters") << "abc"
                                 << "en_US" << -1;
        QTest::newRow("zero") << "0"
                              << "en_US" << -1;
        QTest::newRow("negative") << "-1"
                                  << "en_US" << -1;
        QTest::newRow("too large") << "86401"
                                   << "en_US" << -1;
        QTest::newRow("below a millisecond") << "0.0001"
                                             << "en_US" << -1;
        QTest::newRow("not a number") << "nan"
                                      << "en_US" << -1;
        QTest::newRow("infinite") << "inf"
                                  << "en_US" << -1;
    }
    void pauseText()
    {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(int, ms);
        const std::optional<int> interval = PauseText::toIntervalMs(text, QLocale(locale));
        QCOMPARE(interval.value_or(-1), ms);
    }

    void startAndStopByCaption()
    {
        Fixture f;
        f.start({"a"});
        QCOMPARE(f.monitor.intervalMs(), 3000);
        QCOMPARE(f.monitor.caption(), AppTexts::StopCaption);
        QCOMPARE(f.monitor.state(), Monitor::State::On);
        f.monitor.startOrStop(QStringLiteral("3"));
        QVERIFY(!f.monitor.isOn());
        QCOMPARE(f.monitor.caption(), QStringLiteral("Start Pinging"));
        // On and off again before the first tick: no round ran and the table is untouched.
        QCOMPARE(f.finished.size(), 0);
        QCOMPARE(f.echo.requests.size(), 0);
        QCOMPARE(f.results.count(), 0);
    }

    void badPauseLeavesMonitoringOff()
    {
        Fixture f;
        f.hosts.append(QStringLiteral("a"));
        f.monitor.startOrStop(QStringLiteral("0"));
        QCOMPARE(f.boxes.texts(), QStringList{PauseText::rangeMessage()});
        QVERIFY(!f.monitor.isOn());
        QCOMPARE(f.monitor.caption(), QStringLiteral("Start Pinging"));
    }

    void clearAndDeleteActOnlyWhileOff()
    {
        Fixture f;
        f.start({"127.0.0.1", "127.0.0.2"});
        f.roundAllSucceed();
        f.monitor.clearResults();
        f.monitor.deleteResultRow(0);
        QCOMPARE(f.results.count(), 2);
        f.monitor.stop();
        f.monitor.deleteResultRow(-1);
        QCOMPARE(f.results.count(), 2);
        f.monitor.deleteResultRow(0);
        QCOMPARE(f.results.count(), 1);
        QVERIFY(!f.state.hostListChanged);
        f.monitor.clearResults();
        QCOMPARE(f.results.count(), 0);
        QVERIFY(f.state.hostListChanged);
    }

    void roundsBuildRowsInOrderThenReuseThem()
    {
        Fixture f;
        f.start({"127.0.0.1", "127.0.0.2", "127.0.0.3"});
        f.roundAllSucceed();
        QCOMPARE(f.column(ResultsModel::HostName), (QStringList{"127.0.0.1", "127.0.0.2", "127.0.0.3"}));
        QVERIFY(!f.state.hostListChanged);
        QVERIFY(!f.monitor.roundRunning());
        f.roundAllSucceed();
        QCOMPARE(f.results.count(), 3);
        QCOMPARE(f.column(ResultsModel::SucceedCount), (QStringList{"2", "2", "2"}));
        QCOMPARE(f.echo.requests.size(), 6);
    }

    void oneSuccessAndOneFailureFillTheirCells()
    {
        Fixture f;
        f.start({"127.0.0.1", "198.51.100.7"});
        f.round([](const QString& address) {
            return address == QStringLiteral("127.0.0.1") ? FakeEchoService::success(Localhost, 7, 64)
                                                          : FakeEchoService::failure(11010);
        });
        QCOMPARE(f.results.snapshot().rows.at(0), (QStringList{"127.0.0.1", "127.0.0.1", "1", "0", "0.00%", "Success",
                                                               "7", "64", "7", "", "12/7/2026 3:05:09 PM", ""}));
        QCOMPARE(f.results.snapshot().rows.at(1),
                 (QStringList{"198.51.100.7", "", "0", "1", "100.00%", "Request timed out", "", "", "", "", "",
                              "12/7/2026 3:05:09 PM"}));
    }

    // Four echoes a round: each is counted, the last sent sets the status even when an earlier one's answer comes
    // after it, and the state steps once a round (up after two answered rounds, although no two echoes in a row
    // were answered).
    void severalEchoesARoundCountEachAndStepTheStateOnce()
    {
        Fixture f;
        f.echo.count = 4;
        f.results.table().setStateThresholds({3, 2});
        f.start({"127.0.0.1"});
        const EchoReply first = FakeEchoService::success(Localhost, 5, 64);
        const EchoReply late = FakeEchoService::success(IpAddress::fromIpv4(Localhost + 8), 9, 60);
        const EchoReply lost = FakeEchoService::failure(11010);
        for (int round = 1; round <= 2; ++round) {
            const qsizetype before = f.echo.requests.size();
            f.monitor.runRoundNow();
            QTRY_COMPARE_WITH_TIMEOUT(f.echo.waiting(), 4, 5000);
            f.echo.answer(before, first);
            f.echo.answer(before + 1, lost);
            f.echo.answer(before + 3, lost);
            f.echo.answer(before + 2, late); // the third echo's answer, after the fourth's timeout
            QTRY_COMPARE_WITH_TIMEOUT(f.finished.size(), round, 5000);
            const QStringList row = f.results.snapshot().rows.at(0);
            QCOMPARE(row.at(ResultsModel::SucceedCount), QString::number(2 * round));
            QCOMPARE(row.at(ResultsModel::FailedCount), QString::number(2 * round));
            QCOMPARE(row.at(ResultsModel::PercentFailed), QStringLiteral("50.00%"));
            QCOMPARE(row.at(ResultsModel::LastStatus), QStringLiteral("Request timed out"));
            QCOMPARE(row.at(ResultsModel::ReplyAddress), QStringLiteral("127.0.0.1"));
            QCOMPARE(f.results.table().states().state(f.results.table().slotAt(0)),
                     round == 1 ? HostState::Unknown : HostState::Up);
        }
        // The last echo answered, an earlier one's deadline after it: the time of that failure still shows.
        f.clock.current = f.clock.current.addSecs(3);
        const qsizetype before = f.echo.requests.size();
        f.monitor.runRoundNow();
        QTRY_COMPARE_WITH_TIMEOUT(f.echo.waiting(), 4, 5000);
        for (int echo : {0, 2, 3})
            f.echo.answer(before + echo, first);
        f.clock.current = f.clock.current.addMSecs(200);
        f.echo.answer(before + 1, lost);
        QTRY_COMPARE_WITH_TIMEOUT(f.finished.size(), 3, 5000);
        const QStringList row = f.results.snapshot().rows.at(0);
        QCOMPARE(row.at(ResultsModel::LastStatus), QStringLiteral("Success"));
        QCOMPARE(row.at(ResultsModel::LastSucceedOn), QStringLiteral("12/7/2026 3:05:12 PM"));
        QCOMPARE(row.at(ResultsModel::LastFailedOn), QStringLiteral("12/7/2026 3:05:12 PM"));
        QCOMPARE(f.results.table().lastFailureUs(f.results.table().slotAt(0)),
                 f.clock.current.toMSecsSinceEpoch() * 1000);
    }

    void twoSuccessesThenAFailure()
    {
        Fixture f;
        f.start({"127.0.0.1"});
        f.roundAllSucceed();
        f.roundAllSucceed();
        f.round([](const QString&) { return FakeEchoService::failure(11003); });
        QCOMPARE(f.results.cellText(0, ResultsModel::PercentFailed), QStringLiteral("33.33%"));
        QCOMPARE(f.results.cellText(0, ResultsModel::LastStatus), QStringLiteral("Destination host unreachable"));
        QCOMPARE(f.results.cellText(0, ResultsModel::LastTime), QStringLiteral("2"));
    }

    void hostNamesResolveEveryRound()
    {
        Fixture f;
        f.resolver.table.insert(QStringLiteral("answer.lab"), QStringLiteral("127.0.0.9"));
        f.start({"answer.lab", "unknown.lab"});
        f.roundAllSucceed();
        f.roundAllSucceed();
        QCOMPARE(f.resolver.lookups, 4);
        QCOMPARE(f.echo.requests.at(0).address, QStringLiteral("127.0.0.9"));
        // A name that does not resolve still goes to the echo, as the empty text.
        QCOMPARE(f.echo.requests.at(1).address, QString());
        QCOMPARE(f.column(ResultsModel::HostName), (QStringList{"answer.lab", "unknown.lab"}));
    }

    // A name looked up to another address than the last one it had is a move: told once, from and to, and the
    // row stays the same. A lookup that fails in between is no address, so it is no move either.
    void namesThatMoveAreTold_data()
    {
        QTest::addColumn<QStringList>("lookups"); // the name's address in each round; empty: it does not resolve
        QTest::addColumn<QStringList>("moves");
        QTest::newRow("stays") << QStringList{"127.0.0.9", "127.0.0.9"} << QStringList{};
        QTest::newRow("moves") << QStringList{"127.0.0.9", "127.0.0.10"} << QStringList{"127.0.0.9 127.0.0.10"};
        QTest::newRow("first lookup fails") << QStringList{"", "127.0.0.9"} << QStringList{};
        QTest::newRow("fails, then back") << QStringList{"127.0.0.9", "", "127.0.0.9"} << QStringList{};
        QTest::newRow("fails, then elsewhere")
            << QStringList{"127.0.0.9", "", "127.0.0.10"} << QStringList{"127.0.0.9 127.0.0.10"};
        QTest::newRow("there and back") << QStringList{"127.0.0.9", "::1", "127.0.0.9"}
                                        << QStringList{"127.0.0.9 ::1", "::1 127.0.0.9"};
    }
    void namesThatMoveAreTold()
    {
        QFETCH(QStringList, lookups);
        Fixture f;
        QStringList moves;
        connect(&f.monitor, &Monitor::nameMoved, this, [&](quint32, const IpAddress& from, const IpAddress& to) {
            moves << from.toString() + ' ' + to.toString();
        });
        f.start({"moving.lab"});
        for (const QString& address : lookups) {
            f.resolver.table.insert(QStringLiteral("moving.lab"), address);
            f.roundAllSucceed();
        }
        QTEST(moves, "moves");
        QCOMPARE(f.results.count(), 1);
    }

    // Two monitors on one list and one table, each walking its own entries (target groups with their own
    // intervals): a round of one starting while the other's echoes are out leaves those echoes counting towards
    // their own round, so a host whose echoes all failed still steps down.
    void overlappingRoundsOfTwoGroupsKeepTheirEchoRounds()
    {
        Fixture f;
        f.echo.count = 2;
        f.results.table().setStateThresholds({1, 1});
        FakeEchoService otherEcho{&f.clock};
        otherEcho.count = 2;
        Monitor other{f.hosts, f.results.table(), f.state, f.errorBox, f.boxes, otherEcho, f.resolver};
        f.hosts.append(QStringList{"127.0.0.1", "127.0.0.2"});
        f.monitor.setRoundEntries([&f] { return QList<HostEntry>{f.hosts.entry(0)}; });
        other.setRoundEntries([&f] { return QList<HostEntry>{f.hosts.entry(1)}; });
        QVERIFY(f.monitor.startWithInterval(1000));
        QVERIFY(other.startWithInterval(1000));
        const EchoReply lost = FakeEchoService::failure(11010);
        f.monitor.runRoundNow();
        QTRY_COMPARE_WITH_TIMEOUT(f.echo.waiting(), 2, 5000);
        f.echo.answer(0, lost);
        QSignalSpy otherFinished(&other, &Monitor::roundFinished);
        other.runRoundNow();
        QTRY_COMPARE_WITH_TIMEOUT(otherEcho.waiting(), 2, 5000);
        f.echo.answer(1, lost);
        QTRY_COMPARE_WITH_TIMEOUT(f.finished.size(), 1, 5000);
        otherEcho.answerAll([](const QString&) { return FakeEchoService::success(Localhost, 2, 64); });
        QTRY_COMPARE_WITH_TIMEOUT(otherFinished.size(), 1, 5000);
        QCOMPARE(f.echo.requests.size(), 2);
        QCOMPARE(f.echo.requests.at(0).address, QStringLiteral("127.0.0.1"));
        QCOMPARE(otherEcho.requests.at(0).address, QStringLiteral("127.0.0.2"));
        const HostTable& table = f.results.table();
        QCOMPARE(table.states().state(table.currentSlotOf(f.hosts.entry(0).id)), HostState::Down);
        QCOMPARE(table.states().state(table.currentSlotOf(f.hosts.entry(1).id)), HostState::Up);
    }

    void switchingOffAtHostTwoOfFive()
    {
        Fixture f;
        f.monitor.setRoundSliceSize(1);
        f.start({"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"});
        // The user's click lands while host 2 is being pinged.
        f.echo.onRequest = [&f](int taken) {
            if (taken == 2)
                f.monitor.stop();
        };
        f.monitor.runRoundNow();
        QTRY_VERIFY_WITH_TIMEOUT(!f.monitor.isOn(), 5000);
        QVERIFY(f.monitor.roundRunning()); // the two echoes under way still count
        f.echo.answerAll([](const QString&) { return FakeEchoService::success(Localhost, 1, 64); });
        QTRY_COMPARE_WITH_TIMEOUT(f.finished.size(), 1, 5000);
        QTest::qWait(20); // give a wrongly continuing walk the chance to show itself
        QCOMPARE(f.echo.requests.size(), 2);
        QCOMPARE(f.column(ResultsModel::SucceedCount), (QStringList{"1", "1"}));
        QVERIFY(!f.monitor.roundRunning());
    }

    // Switching off sends nothing more: echoes not yet out are dropped, a name that resolves afterwards is
    // not pinged; the echoes already out still land. The rows of the hosts not pinged stay empty.
    void switchingOffDropsTheEchoesNotYetSent()
    {
        Fixture f;
        f.echo.queueing = true;
        f.resolver.table.insert(QStringLiteral("slow.lab"), QStringLiteral("127.0.0.3"));
        f.resolver.held.insert(QStringLiteral("slow.lab"));
        f.start({"127.0.0.1", "127.0.0.2", "slow.lab"});
        f.monitor.runRoundNow();
        f.echo.answer(0, FakeEchoService::success(Localhost, 1, 64));
        f.monitor.stop();
        QVERIFY(f.monitor.roundRunning()); // the lookup is still under way
        QVERIFY(f.echo.requests.at(1).cancelled);
        f.resolver.answerHeld();
        QCOMPARE(f.echo.requests.size(), 2);
        QCOMPARE(f.finished.size(), 1);
        QCOMPARE(f.column(ResultsModel::SucceedCount), (QStringList{"1", "", ""}));
    }

    // A name whose lookup hangs fails the round like a name that does not resolve, once its deadline has
    // passed; its late answer changes nothing, and the other hosts are not held up.
    void lookupPastItsDeadlineFailsTheHost()
    {
        Fixture f;
        f.monitor.setLookupDeadlineMs(30);
        f.resolver.table.insert(QStringLiteral("hang.lab"), QStringLiteral("127.0.0.9"));
        f.resolver.held.insert(QStringLiteral("hang.lab"));
        f.start({"127.0.0.1", "hang.lab", "127.0.0.2"});
        f.monitor.runRoundNow();
        QTRY_COMPARE_WITH_TIMEOUT(f.echo.requests.size(), 3, 5000);
        QCOMPARE(f.echo.requests.at(2).address, QString()); // the empty text: "does not resolve"
        f.echo.answerAll([](const QString& a) {
            return a.isEmpty() ? FakeEchoService::failure(11018) : FakeEchoService::success(Localhost, 1, 64);
        });
        QTRY_COMPARE_WITH_TIMEOUT(f.finished.size(), 1, 5000);
        f.resolver.answerHeld();
        QCOMPARE(f.echo.requests.size(), 3);
        QCOMPARE(f.column(ResultsModel::LastStatus), (QStringList{"Success", "Bad destination", "Success"}));
    }

    // An edit that clears the table during a round (here: a host added) leaves its mark for the next round,
    // which builds every row again in host list order.
    void editDuringARoundKeepsHostListOrder()
    {
        Fixture f;
        f.monitor.setRoundSliceSize(1);
        f.start({"127.0.0.1", "127.0.0.2", "127.0.0.3"});
        const auto answerUntilTheRoundEnds = [&f] {
            const qsizetype before = f.finished.size();
            f.monitor.runRoundNow();
            const auto succeed = [](const QString&) { return FakeEchoService::success(Localhost, 1, 64); };
            QTRY_VERIFY_WITH_TIMEOUT((f.echo.answerAll(succeed), f.finished.size() > before), 5000);
        };
        answerUntilTheRoundEnds();
        f.echo.onRequest = [&f](int taken) {
            if (taken == 4) {
                f.hosts.append(QStringLiteral("127.0.0.4"));
                f.results.clear();
                f.state.hostListChanged = true;
            }
        };
        answerUntilTheRoundEnds();
        QCOMPARE(f.echo.requests.size(), 4); // the walk stopped at the edit
        QVERIFY(f.state.hostListChanged);
        answerUntilTheRoundEnds();
        QCOMPARE(f.column(ResultsModel::HostName), (QStringList{"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"}));
        QCOMPARE(f.column(ResultsModel::SucceedCount), (QStringList{"1", "1", "1", "1"}));
    }

    void tickDuringARoundIsDropped()
    {
        Fixture f;
        f.start({"127.0.0.1"});
        f.monitor.runRoundNow();
        QVERIFY(f.monitor.roundRunning());
        f.monitor.runRoundNow();
        f.monitor.runRoundNow();
        QCOMPARE(f.echo.requests.size(), 1);
        f.echo.answerAll([](const QString&) { return FakeEchoService::failure(11010); });
        QCOMPARE(f.finished.size(), 1);
        QCOMPARE(f.finished.first().first().value<RoundSummary>().failures, 1);
    }

    // Rows follow their host list entry, whatever happens to other rows or entries.
    void deletedResultRowComesBackAtTheEnd()
    {
        Fixture f;
        f.start({"127.0.0.1", "127.0.0.2", "127.0.0.3"});
        f.roundAllSucceed();
        f.monitor.stop();
        f.monitor.deleteResultRow(1);
        f.monitor.startOrStop(QStringLiteral("3"));
        f.roundAllSucceed();
        QCOMPARE(f.column(ResultsModel::HostName), (QStringList{"127.0.0.1", "127.0.0.3", "127.0.0.2"}));
        QCOMPARE(f.column(ResultsModel::SucceedCount), (QStringList{"2", "2", "1"}));
        QCOMPARE(f.echo.requests.at(3).address, QStringLiteral("127.0.0.1"));
        QCOMPARE(f.echo.requests.at(4).address, QStringLiteral("127.0.0.2"));
        QCOMPARE(f.echo.requests.at(5).address, QStringLiteral("127.0.0.3"));
    }

    void rowsOfRemovedHostsStayUnchanged()
    {
        Fixture f;
        f.start({"127.0.0.1", "127.0.0.2", "127.0.0.3"});
        f.roundAllSucceed();
        f.hosts.removeAt(1);
        f.roundAllSucceed();
        QCOMPARE(f.column(ResultsModel::SucceedCount), (QStringList{"2", "1", "2"}));

        // Clear List and new entries: the old rows keep their counts, the new hosts get new rows.
        f.hosts.clear();
        f.hosts.append(QStringList{"127.0.0.7"});
        f.roundAllSucceed();
        QCOMPARE(f.column(ResultsModel::HostName), (QStringList{"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.7"}));
        QCOMPARE(f.column(ResultsModel::SucceedCount), (QStringList{"2", "1", "2", "1"}));
        QCOMPARE(f.echo.requests.last().address, QStringLiteral("127.0.0.7"));
    }

    void hostRemovedDuringARoundIsNotPinged()
    {
        Fixture f;
        f.monitor.setRoundSliceSize(1);
        f.start({"127.0.0.1", "127.0.0.2", "127.0.0.3"});
        f.monitor.runRoundNow();
        f.hosts.removeAt(1);
        QTRY_COMPARE_WITH_TIMEOUT(f.echo.requests.size(), 2, 5000);
        f.echo.answerAll([](const QString&) { return FakeEchoService::success(Localhost, 1, 64); });
        QTRY_COMPARE_WITH_TIMEOUT(f.finished.size(), 1, 5000);
        QCOMPARE(f.column(ResultsModel::HostName), (QStringList{"127.0.0.1", "127.0.0.3"}));
    }

    void resultsClearedDuringARoundTakeNoStaleOutcome()
    {
        Fixture f;
        f.start({"127.0.0.1", "127.0.0.2"});
        f.roundAllSucceed();
        f.monitor.runRoundNow();
        f.monitor.stop();
        f.monitor.clearResults();
        f.echo.answerAll([](const QString&) { return FakeEchoService::success(Localhost, 1, 64); });
        QCOMPARE(f.results.count(), 0);
        f.monitor.startOrStop(QStringLiteral("3"));
        f.roundAllSucceed();
        QCOMPARE(f.column(ResultsModel::SucceedCount), (QStringList{"1", "1"}));
    }

    void emptyListRoundPingsNothingAndResetsTheFlag()
    {
        Fixture f;
        f.start({"a"});
        f.hosts.clear();
        f.monitor.runRoundNow();
        QCOMPARE(f.finished.size(), 1);
        QVERIFY(!f.state.hostListChanged);
        QCOMPARE(f.results.count(), 0);
    }

    void countsGoPast32767()
    {
        Fixture f;
        f.start({"127.0.0.1"});
        f.roundAllSucceed();
        // A day and more of rounds, without running them all: record straight into the row.
        const HostTable::Slot row = f.results.table().slotAt(0);
        for (int i = 0; i < 40000; ++i)
            ResultsFeed::failure(f.results.table(), row, 11010, f.clock.now());
        QCOMPARE(f.results.cellText(0, ResultsModel::FailedCount), QStringLiteral("40000"));
        QCOMPARE(f.results.cellText(0, ResultsModel::PercentFailed), QStringLiteral("100.00%"));
        f.roundAllSucceed();
        QCOMPARE(f.results.cellText(0, ResultsModel::SucceedCount), QStringLiteral("2"));
        QVERIFY(f.boxes.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(MonitorTest)
#include "MonitorTest.moc"
