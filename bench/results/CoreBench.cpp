// The cost of one outcome through the results core with every reader the window and the probe attach: the
// table and its state machine, the Qt model's dirty set (flushed once per round here, once per frame in the
// window), the history slab, the metrics counter columns and the event detector.
//
//     core_bench [--hosts N] [--rounds R]     (default 100000 hosts, 20 rounds)
//
// Outcomes go in batches of 64, as the engine hands over one read of the socket. Three rounds warm up, then R
// steady rounds are timed: nanoseconds per outcome (wall and this thread's CPU) and the heap allocations
// counted during them, which must be none.
#include "alerts/EventDetector.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "metrics/HostCounterColumns.h"
#include "results/HostTable.h"
#include "results/ResultsModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <span>
#include <time.h>
#include <vector>

namespace
{
std::atomic<long long> g_allocations{0};

double threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e9 + double(ts.tv_nsec);
}
} // namespace

// Every allocation of the process passes here, so the steady rounds can show they make none.
void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int hosts = 100000;
    int rounds = 20;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--hosts"))
            hosts = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--rounds"))
            rounds = args.at(i + 1).toInt();
    }
    HostTable table;
    ResultsModel model(table);
    HistoryStore store;
    HistoryRecorder history(table, store);
    HostCounterColumns counters(table);
    EventDetector events(table);
    table.setStateThresholds({3, 1});

    std::vector<HostEntry> entries;
    entries.reserve(std::size_t(hosts));
    for (int i = 0; i < hosts; ++i)
        entries.push_back(HostEntry{
            quint64(i + 1), QStringLiteral("10.%1.%2.%3").arg((i >> 16) & 255).arg((i >> 8) & 255).arg(i & 255)});
    std::vector<HostTable::Slot> slotsOf(static_cast<std::size_t>(hosts));
    table.appendRows(entries, slotsOf.data());

    // One host in twenty never answers, so the states settle and steady rounds change none.
    std::vector<EchoOutcome> outcomes(static_cast<std::size_t>(hosts));
    for (int i = 0; i < hosts; ++i) {
        EchoOutcome& o = outcomes[std::size_t(i)];
        o.tag = table.tagOf(slotsOf[std::size_t(i)]);
        if (i % 20 == 0) {
            o.status = EchoStatus::RequestTimedOut;
        } else {
            o.status = EchoStatus::Success;
            o.address = IpAddress::fromIpv4(0x0A000000u | quint32(i));
            o.ttl = 64;
        }
    }
    const qint64 start = QDateTime::currentMSecsSinceEpoch() * 1000;
    auto oneRound = [&](int round) {
        const qint64 when = start + qint64(round) * 1000000;
        for (int i = 0; i < hosts; ++i) {
            outcomes[std::size_t(i)].whenUs = when + i;
            outcomes[std::size_t(i)].rttUs = quint32(40 + (i * 37 + round * 11) % 4000);
        }
        const std::span<const EchoOutcome> all(outcomes);
        for (std::size_t at = 0; at < all.size(); at += 64)
            table.apply(all.subspan(at, std::min<std::size_t>(64, all.size() - at)));
        model.flushChangedRows();
        events.flush();
    };
    for (int round = 0; round < 3; ++round)
        oneRound(round);

    const long long allocationsBefore = g_allocations;
    QElapsedTimer wall;
    const double cpuBefore = threadCpuNs();
    wall.start();
    for (int round = 3; round < 3 + rounds; ++round)
        oneRound(round);
    const double wallNs = double(wall.nsecsElapsed());
    const double cpuNs = threadCpuNs() - cpuBefore;
    const long long allocations = g_allocations - allocationsBefore;
    const double total = double(hosts) * rounds;
    std::printf("%d hosts, %d steady rounds, batches of 64; readers: model, history (%d per host), metrics, "
                "states, events\n",
                hosts, rounds, store.capacityPerHost());
    std::printf("per outcome: wall %.1f ns, CPU %.1f ns (includes setting up the outcomes, about 1 ns)\n",
                wallNs / total, cpuNs / total);
    std::printf("heap allocations in the steady rounds: %lld (%.2f per round, %.6f per outcome)\n", allocations,
                double(allocations) / rounds, double(allocations) / total);
    return allocations == 0 ? 0 : 1;
}
