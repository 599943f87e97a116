// The per-host history: its memory, the statistics of one host, and a redraw of the details chart.
//
//   history_bench [--hosts N] [--outcomes K] [--wide W] [--chart-only]
//       N hosts (10,000) with K outcomes each (1,000): heap bytes per kept outcome;
//       W hosts (100,000) at the 256 MB budget, the table growing in ten steps: highest use and share;
//       the statistics of one host's 1,000 outcomes; a chart of 1,000 points set and painted.
//
// Heap figures are malloc's bytes in use (mallinfo2), so they hold what the store really allocated.

#include "app/gui/HostDetailsWindow.h"
#include "app/gui/LatencyChart.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStatistics.h"
#include "history/HistoryStore.h"
#include "results/HostTable.h"
#include "tests/fakes/ResultsFeed.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <time.h>
#include <vector>

namespace
{
constexpr qint64 T0 = 1796655909000;

qint64 heapBytes()
{
    return static_cast<qint64>(mallinfo2().uordblks);
}

// A host's outcome number i: a wavering round-trip time, one failure in 20.
Outcome outcome(qint64 host, qint64 i)
{
    if ((i + host) % 20 == 0)
        return Outcome{T0 + i * 3000, 11010, 0, 0};
    return Outcome{T0 + i * 3000, 0, quint32(100 + (i * 37 + host) % 400), 64};
}

double mb(qint64 bytes)
{
    return bytes / (1024.0 * 1024.0);
}

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct Times {
    std::vector<double> wall;
    std::vector<double> cpu; // this thread's CPU time: what the work costs while other builds share the cores
};

template <class F> Times timesMs(int runs, F&& work)
{
    Times times;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        const double cpu = threadCpuMs();
        t.start();
        work();
        times.wall.push_back(double(t.nsecsElapsed()) / 1e6);
        times.cpu.push_back(threadCpuMs() - cpu);
    }
    std::sort(times.wall.begin(), times.wall.end());
    std::sort(times.cpu.begin(), times.cpu.end());
    return times;
}

void printTimes(const char* what, const Times& t)
{
    std::printf("%s\n  wall best %.3f ms, median %.3f ms, worst %.3f ms; CPU median %.3f ms, worst %.3f ms\n", what,
                t.wall.front(), t.wall[t.wall.size() / 2], t.wall.back(), t.cpu[t.cpu.size() / 2], t.cpu.back());
}

void manyHostsFull(qint64 hosts, int outcomes)
{
    const qint64 before = heapBytes();
    auto* store = new HistoryStore({outcomes, 256LL * 1024 * 1024});
    store->setSlotCount(std::size_t(hosts) + 1);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < outcomes; ++i) {
        for (qint64 h = 1; h <= hosts; ++h)
            store->record(HistoryStore::Slot(h), outcome(h, i));
    }
    const double fillMs = t.nsecsElapsed() / 1e6;
    const qint64 heap = heapBytes() - before;
    const qint64 kept = store->storedOutcomes();
    std::printf("%lld hosts x %d outcomes: %lld kept, %.1f ns per outcome recorded\n", static_cast<long long>(hosts),
                outcomes, static_cast<long long>(kept), fillMs * 1e6 / double(hosts * outcomes));
    std::printf("  heap %.1f MB = %.3f bytes per kept outcome (%lld per outcome, %lld per host)\n", mb(heap),
                double(heap) / double(kept), static_cast<long long>(HistoryStore::BytesPerOutcome),
                static_cast<long long>(HistoryStore::HostOverheadBytes));
    std::printf("  budget's count %.1f MB of %.1f MB\n", mb(store->memoryBytes()), mb(store->limits().budgetBytes));
    delete store;
}

void wideTableAtTheBudget(qint64 hosts, int outcomes)
{
    const qint64 budget = 256LL * 1024 * 1024;
    const qint64 before = heapBytes();
    auto* store = new HistoryStore({outcomes, budget});
    qint64 highest = 0;
    qint64 highestHeap = 0;
    QElapsedTimer t;
    t.start();
    // The table grows in ten steps; each step runs enough rounds to fill every ring to its share.
    qint64 round = 0;
    for (int step = 1; step <= 10; ++step) {
        const qint64 rows = hosts * step / 10;
        store->setSlotCount(std::size_t(rows) + 1);
        const int rounds = std::min(outcomes, store->capacityPerHost()) + 10;
        for (int r = 0; r < rounds; ++r, ++round) {
            for (qint64 h = 1; h <= rows; ++h)
                store->record(HistoryStore::Slot(h), outcome(h, round));
            highest = std::max(highest, store->memoryBytes());
        }
        highestHeap = std::max(highestHeap, heapBytes() - before);
    }
    const qint64 kept = store->storedOutcomes();
    std::printf("%lld hosts at a %.0f MB budget (table grown in 10 steps, %.1f s):\n", static_cast<long long>(hosts),
                mb(budget), t.elapsed() / 1000.0);
    std::printf("  share %d outcomes per host, %lld kept\n", store->capacityPerHost(), static_cast<long long>(kept));
    std::printf("  budget's count: highest %.1f MB, now %.1f MB; heap after each step at most %.1f MB, now %.1f MB\n",
                mb(highest), mb(store->memoryBytes()), mb(highestHeap), mb(heapBytes() - before));
    std::printf("  %.3f heap bytes per kept outcome\n", double(heapBytes() - before) / double(kept));
    delete store;
}

void statisticsOfOneHost()
{
    HistoryStore store({1000, 256LL * 1024 * 1024});
    store.setSlotCount(1);
    for (qint64 i = 0; i < 1000; ++i)
        store.record(0, outcome(7, i));
    HistoryStatistics s;
    printTimes("statistics of one host, 1,000 outcomes (unpack+compute)",
               timesMs(2000, [&] { s = HistoryStatistics::compute(store.outcomes(0)); }));
    std::printf("  (mean %.1f ms, p95 %.1f ms, loss %.1f%%)\n", s.meanMs.value_or(0), s.p95Ms.value_or(0),
                s.lossPercent().value_or(0));
}

void chartRedraw()
{
    HostTable results;
    HistoryStore store;
    HistoryRecorder recorder(results, store);
    const HostTable::Slot row = results.appendRow(1, QStringLiteral("answer.lab"));
    for (qint64 i = 0; i < 1000; ++i) {
        const Outcome o = outcome(3, i);
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(o.timeMs);
        if (o.answered())
            ResultsFeed::successUs(results, row, IpAddress::fromIpv4(1), o.rttUs, 64, when);
        else
            ResultsFeed::failure(results, row, o.status, when);
    }
    HostDetailsWindow window(recorder, results.tagOf(row));
    window.resize(720, 560);
    window.show();
    QPixmap target(window.chart().size());
    QList<Outcome> points = store.outcomes(row);
    printTimes("chart: set 1,000 points and paint (720x560 window)", timesMs(50, [&] {
                   window.chart().setOutcomes(points, points.first().timeMs, points.last().timeMs);
                   window.chart().QWidget::render(&target);
               }));
    printTimes("window: refresh (statistics, chart) and paint", timesMs(50, [&] {
                   window.refresh();
                   window.chart().QWidget::render(&target);
               }));
}
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qint64 hosts = 10000;
    int outcomes = 1000;
    qint64 wide = 100000;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--hosts"))
            hosts = args.at(i + 1).toLongLong();
        else if (args.at(i) == QLatin1String("--outcomes"))
            outcomes = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--wide"))
            wide = args.at(i + 1).toLongLong();
    }
    if (!args.contains(QLatin1String("--chart-only"))) {
        manyHostsFull(hosts, outcomes);
        wideTableAtTheBudget(wide, outcomes);
    }
    statisticsOfOneHost();
    chartRedraw();
    return 0;
}
