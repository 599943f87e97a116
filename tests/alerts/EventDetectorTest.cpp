#include "alerts/EventDetector.h"

#include "alerts/AlertNotifier.h"
#include "results/HostTable.h"
#include "tests/fakes/FakeNotificationSender.h"
#include "tests/fakes/HostEventPrinter.h"
#include "tests/fakes/ResultsFeed.h"

#include <QtTest>

namespace
{
const QDateTime T0(QDate(2026, 3, 4), QTime(10, 0, 0));

// By default a down event comes from up and an up event from down.
HostEvent hostEvent(const QString& host, HostState state, int atSecs, std::optional<qint64> duration, QString status,
                    std::optional<HostState> previous = std::nullopt)
{
    HostEvent e{host, state, T0.addSecs(atSecs), duration, std::move(status)};
    e.previous = previous.value_or(state == HostState::Down ? HostState::Up : HostState::Down);
    return e;
}
HostEvents downs(int n)
{
    HostEvents events;
    for (int i = 0; i < n; ++i)
        events << hostEvent(QStringLiteral("h%1").arg(i), HostState::Down, 0, std::nullopt,
                            QStringLiteral("Timed out"));
    return events;
}
} // namespace

class EventDetectorTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // One outcome per round, ten seconds apart: s success, f failure (Request timed out).
    void eventsCarryTimesAndDurations_data()
    {
        QTest::addColumn<StateThresholds>("thresholds");
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<HostEvents>("expected");
        const QString timedOut = QStringLiteral("Request timed out");
        const QString success = QStringLiteral("Success");
        QTest::newRow("first reply is no alarm") << StateThresholds{3, 1} << "sss" << HostEvents{};
        QTest::newRow("down dated to the first failure")
            << StateThresholds{3, 1} << "sfff" << HostEvents{hostEvent("h", HostState::Down, 10, {}, timedOut)};
        QTest::newRow("down from the start")
            << StateThresholds{2, 1} << "ff"
            << HostEvents{hostEvent("h", HostState::Down, 0, {}, timedOut, HostState::Unknown)};
        QTest::newRow("up with the outage's length") << StateThresholds{3, 1} << "sfffffs"
                                                     << HostEvents{hostEvent("h", HostState::Down, 10, {}, timedOut),
                                                                   hostEvent("h", HostState::Up, 60, 50, success)};
        QTest::newRow("up after M, dated to the first success")
            << StateThresholds{1, 3} << "sfsfsss"
            << HostEvents{hostEvent("h", HostState::Down, 10, {}, timedOut, HostState::Unknown),
                          hostEvent("h", HostState::Up, 40, 30, success)};
        // "|": the list changed, so the next round builds the host a fresh row.
        QTest::newRow("back up in a fresh row") << StateThresholds{3, 1} << "sfff|s"
                                                << HostEvents{hostEvent("h", HostState::Down, 10, {}, timedOut),
                                                              hostEvent("h", HostState::Up, 50, 40, success)};
        QTest::newRow("still down in a fresh row")
            << StateThresholds{3, 1} << "sfff|fff" << HostEvents{hostEvent("h", HostState::Down, 10, {}, timedOut)};
        // ",": the next outcome comes in the same round.
        QTest::newRow("first reply, then down in the same round")
            << StateThresholds{1, 1} << "s,f"
            << HostEvents{hostEvent("h", HostState::Down, 20, {}, timedOut, HostState::Unknown)};
        QTest::newRow("first reply, down and up again in one round")
            << StateThresholds{1, 1} << "s,f,s" << HostEvents{};
    }
    void eventsCarryTimesAndDurations()
    {
        QFETCH(StateThresholds, thresholds);
        QFETCH(QString, outcomes);
        QFETCH(HostEvents, expected);
        HostTable model;
        model.setStateThresholds(thresholds);
        HostTable::Slot id = model.appendRow(1, QStringLiteral("h"));
        EventDetector detector(model);
        HostEvents got;
        int batches = 0;
        connect(&detector, &EventDetector::eventsReady, this, [&](const HostEvents& events) {
            got += events;
            ++batches;
        });
        for (qsizetype k = 0; k < outcomes.size(); ++k) {
            if (outcomes.at(k) == u',')
                continue;
            if (outcomes.at(k) == u'|')
                id = model.appendRow(1, QStringLiteral("h"));
            else if (outcomes.at(k) == u's')
                ResultsFeed::success(model, id, IpAddress::fromIpv4(0x7f000001), 1, 64, T0.addSecs(10 * k));
            else
                ResultsFeed::failure(model, id, 11010, T0.addSecs(10 * k));
            if (k + 1 == outcomes.size() || outcomes.at(k + 1) != u',')
                detector.flush(); // the end of the round
        }
        QCOMPARE(got, expected);
        QCOMPARE(batches, expected.size());
    }

    void oneRoundIsOneBatch()
    {
        HostTable model;
        model.setStateThresholds({1, 1});
        EventDetector detector(model);
        QSignalSpy batches(&detector, &EventDetector::eventsReady);
        for (int i = 0; i < 5; ++i)
            ResultsFeed::failure(model, model.appendRow(i + 1, QStringLiteral("h%1").arg(i)), 11010, T0);
        QCOMPARE(batches.size(), 0);
        detector.flush();
        detector.flush();
        QCOMPARE(batches.size(), 1);
        QCOMPARE(batches.at(0).at(0).value<HostEvents>().size(), 5);
    }

    void manyChangesAreGrouped_data()
    {
        QTest::addColumn<HostEvents>("events");
        QTest::addColumn<QStringList>("summaries");
        QTest::newRow("none") << HostEvents{} << QStringList{};
        QTest::newRow("one down") << downs(1) << QStringList{"h0 is down"};
        QTest::newRow("three: one each") << downs(3) << QStringList{"h0 is down", "h1 is down", "h2 is down"};
        QTest::newRow("four: grouped") << downs(4) << QStringList{"4 hosts down: h0, h1, h2, …"};
        QTest::newRow("twelve: grouped") << downs(12) << QStringList{"12 hosts down: h0, h1, h2, …"};
        HostEvents mixed = downs(4);
        mixed << hostEvent("b", HostState::Up, 5, 100, "Success");
        QTest::newRow("down and up") << mixed << QStringList{"4 hosts down: h0, h1, h2, …; 1 host up: b"};
        QTest::newRow("one up") << HostEvents{hostEvent("b", HostState::Up, 5, 3725, "Success")}
                                << QStringList{"b is up again"};
    }
    void manyChangesAreGrouped()
    {
        QFETCH(HostEvents, events);
        QFETCH(QStringList, summaries);
        FakeNotificationSender sender;
        AlertNotifier notifier(sender);
        notifier.notify(events);
        QStringList sent;
        for (const auto& n : sender.sent)
            sent << n.first;
        QCOMPARE(sent, summaries);
        notifier.setEnabled(false);
        notifier.notify(events);
        QCOMPARE(sender.sent.size(), summaries.size());
    }

    void notificationBodies()
    {
        const auto n = AlertNotifier::notificationsFor({hostEvent("b", HostState::Up, 5, 3725, "Success")});
        QCOMPARE(n.first().body, QStringLiteral("Down for 1 h 2 min 5 s"));
        const auto d = AlertNotifier::notificationsFor(downs(5));
        QCOMPARE(d.first().body, QStringLiteral("5 hosts down: h0, h1, h2, …"));
    }
};

QTEST_GUILESS_MAIN(EventDetectorTest)
#include "EventDetectorTest.moc"
