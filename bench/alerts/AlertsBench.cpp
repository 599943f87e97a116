// 10,000 hosts change state in one round: how long the event loop (the window's thread) stalls, and how
// long until every event is committed to the outage log. The round's outcomes arrive in slices of 256 as
// the monitor records them; then the round ends, the events go to the log's thread, and once committed to
// the notifier, the hook runner (no command) and the live log table.
#include "alerts/AlertNotifier.h"
#include "alerts/EventDetector.h"
#include "alerts/EventRecorder.h"
#include "alerts/HookRunner.h"
#include "alerts/NotificationSender.h"
#include "alerts/OutageLogModel.h"
#include "alerts/SqliteEventStore.h"
#include "bench/monitor/StallProbe.h"
#include "platform/QtCommandRunner.h"
#include "platform/SystemClock.h"
#include "results/HostTable.h"
#include "tests/fakes/ResultsFeed.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace
{

class CountingSender : public NotificationSender
{
public:
    void notify(const QString&, const QString&) override { ++sent; }
    int sent = 0;
};

constexpr int Hosts = 10000;
constexpr int Slice = 256;

struct Figures {
    double stallMs = 0;
    double committedMs = 0; // from the end of the round until the events are in the log
    double totalMs = 0;     // from the first outcome of the round
};

// Records one outcome for every row, a slice per turn of the event loop, then ends the round.
Figures round(HostTable& results, EventDetector& detector, EventRecorder& recorder, StallProbe& probe, bool success,
              const QDateTime& when)
{
    Figures f;
    QEventLoop loop;
    QElapsedTimer clock;
    QElapsedTimer sinceEnd;
    int next = 0;
    auto connection = QObject::connect(&recorder, &EventRecorder::recorded, &loop, [&](const HostEvents& events) {
        if (events.size() == Hosts) {
            f.committedMs = static_cast<double>(sinceEnd.nsecsElapsed()) / 1e6;
            f.totalMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            // One more turn so the work after the commit counts as a stall too.
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
        }
    });
    std::function<void()> slice = [&] {
        const int end = std::min(next + Slice, Hosts);
        for (; next < end; ++next) {
            const HostTable::Slot id = results.slotAt(next);
            if (success)
                ResultsFeed::success(results, id, IpAddress::fromIpv4(0x7f000001), 1, 64, when);
            else
                ResultsFeed::failure(results, id, 11010, when);
        }
        if (next < Hosts) {
            QTimer::singleShot(0, &loop, slice);
        } else {
            sinceEnd.start();
            const bool news = detector.pending() > 0;
            detector.flush();
            if (!news) // first replies: nothing to wait for
                QTimer::singleShot(20, &loop, &QEventLoop::quit);
        }
    };
    probe.reset();
    clock.start();
    QTimer::singleShot(0, &loop, slice);
    loop.exec();
    f.stallMs = probe.maxGapMs();
    QObject::disconnect(connection);
    return f;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    SystemClock clock;
    HostTable results;
    results.setStateThresholds({1, 1});
    for (int i = 0; i < Hosts; ++i)
        results.appendRow(i + 1, QStringLiteral("host-%1.example.lab").arg(i));

    EventDetector detector(results);
    EventRecorder recorder(std::make_unique<SqliteEventStore>(dir.filePath(QStringLiteral("events.sqlite"))), clock,
                           90);
    CountingSender sender;
    AlertNotifier notifier(sender);
    QtCommandRunner commands;
    HookRunner hooks(commands);
    OutageLogModel log;
    QObject::connect(&detector, &EventDetector::eventsReady, &recorder, &EventRecorder::record);
    QObject::connect(&recorder, &EventRecorder::recorded, &app, [&](const HostEvents& events) {
        notifier.notify(events);
        hooks.run(events);
        log.addEvents(events);
    });
    recorder.start();
    StallProbe probe(2);

    QDateTime when = QDateTime::currentDateTime();
    round(results, detector, recorder, probe, true, when); // first replies: no events
    QList<double> downStall, downCommit, upStall, upCommit, downTotal;
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    for (int r = 0; r < runs; ++r) {
        when = when.addSecs(10);
        const Figures down = round(results, detector, recorder, probe, false, when);
        when = when.addSecs(10);
        const Figures up = round(results, detector, recorder, probe, true, when);
        downStall << down.stallMs;
        downCommit << down.committedMs;
        downTotal << down.totalMs;
        upStall << up.stallMs;
        upCommit << up.committedMs;
    }
    std::printf("%d hosts changing state in one round, %d runs each (best / median):\n", Hosts, runs);
    std::printf("  down: longest stall %.1f / %.1f ms, round end to committed %.1f / %.1f ms, "
                "first outcome to committed %.1f / %.1f ms\n",
                *std::min_element(downStall.begin(), downStall.end()), median(downStall),
                *std::min_element(downCommit.begin(), downCommit.end()), median(downCommit),
                *std::min_element(downTotal.begin(), downTotal.end()), median(downTotal));
    std::printf("  up:   longest stall %.1f / %.1f ms, round end to committed %.1f / %.1f ms\n",
                *std::min_element(upStall.begin(), upStall.end()), median(upStall),
                *std::min_element(upCommit.begin(), upCommit.end()), median(upCommit));
    std::printf("  notifications sent: %d (one per round), events in the live log: %d\n", sender.sent,
                static_cast<int>(log.rowCount()));
    return 0;
}
