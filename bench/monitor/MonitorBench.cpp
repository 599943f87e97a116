// Rounds of the monitor over many hosts, through the real echo engine and the real tables, with no window.
//
//   monitor_bench [--sizes 1,100,1000,10000] [--rounds R] [--slice S]
//       loopback hosts (127.x.y.z, all answer on Linux, nothing leaves the host): per size, the first round,
//       then the median of the others: round time, wall time, lost replies, longest event-loop stall, CPU
//   monitor_bench --silent N [--rounds R]
//       N hosts in 10.99.0.0/16, which the lab routes into a blackhole; refused outside the lab
//       (VANTREL_IN_LAB=1, set by the command in bench/README.md)
//   monitor_bench --silent N --hanging [--rounds R]
//       the same, plus 10 loopback hosts and one name whose lookup never answers: every round still ends
//       within the lookup deadline plus the echo timeout, and the loopback hosts answer in every round
//   monitor_bench --long ROUNDS PAUSE_MS [--every K] [--hosts N]
//       N (1000) loopback hosts pinged by the monitor's own timer at PAUSE_MS for ROUNDS rounds, printing
//       memory and CPU every K rounds
//
// Run as root (raw socket) or with net.ipv4.ping_group_range open; exits 77 when ICMP is not permitted.

#include "bench/monitor/BenchMessageBoxes.h"
#include "bench/monitor/StallProbe.h"
#include "core/ErrorBox.h"
#include "core/HostListModel.h"
#include "core/SessionState.h"
#include "monitor/Monitor.h"
#include "ping/LinuxEchoService.h"
#include "platform/QtHostResolver.h"
#include "platform/SystemPreciseClock.h"
#include "platform/SystemRandom.h"
#include "results/ResultsModel.h"
#include "tests/fakes/ResidentMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace
{

constexpr int ProbePeriodMs = 2;
constexpr int GapBetweenRoundsMs = 50;

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

QString dotted(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

// Distinct addresses inside base/16 (or /8), skipping .0 and .255 so none looks like a network or broadcast.
QStringList addressesIn(quint32 base, quint32 span, int count)
{
    QStringList addresses;
    for (quint32 n = 1; n < span && addresses.size() < count; ++n) {
        const quint32 address = base | n;
        if ((address & 0xFF) == 0 || (address & 0xFF) == 0xFF)
            continue;
        addresses.append(dotted(address));
    }
    return addresses;
}

template <typename T> double median(QList<T> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype mid = values.size() / 2;
    return values.size() % 2 ? double(values.at(mid)) : (double(values.at(mid - 1)) + double(values.at(mid))) / 2;
}

// The real resolver, except that names ending in ".hang" never get an answer, as behind a DNS server that
// swallows the query.
class HangingResolver : public HostResolver
{
public:
    void resolve(const QString& name, QObject* context, Done done) override
    {
        if (!name.endsWith(QLatin1String(".hang")))
            m_real.resolve(name, context, std::move(done));
    }

private:
    QtHostResolver m_real;
};

// The window's state without the window, around one shared echo engine.
struct Session {
    explicit Session(BenchMessageBoxes& boxes, EchoService& echo)
        : errorBox(boxes), monitor(hosts, results.table(), state, errorBox, boxes, echo, resolver)
    {
    }
    HostListModel hosts;
    ResultsModel results;
    SessionState state;
    ErrorBox errorBox;
    HangingResolver resolver;
    Monitor monitor;
};

struct RoundFigures {
    qint64 durationMs = 0;
    double wallMs = 0;
    int failures = 0;
    int unrecorded = 0;
    double stallMs = 0;
    double cpuMs = 0;
};

// Rounds one after the other, each started by hand GapBetweenRoundsMs after the last one ended, with
// monitoring switched on so the rounds walk the whole list.
QList<RoundFigures> runRounds(const QStringList& addresses, int rounds, int slice, BenchMessageBoxes& boxes,
                              EchoService& echo)
{
    Session s(boxes, echo);
    if (slice > 0)
        s.monitor.setRoundSliceSize(slice);
    s.hosts.append(addresses);
    s.monitor.startWithInterval(24 * 3600 * 1000); // on, but its timer never fires during the run
    StallProbe probe(ProbePeriodMs);
    QList<RoundFigures> figures;
    QElapsedTimer wall;
    double cpuAtStart = 0;
    QEventLoop loop;
    auto next = [&] {
        cpuAtStart = cpuMs();
        probe.reset();
        wall.start();
        s.monitor.runRoundNow();
    };
    QObject::connect(&s.monitor, &Monitor::roundFinished, &loop, [&](const RoundSummary& summary) {
        RoundFigures f;
        f.wallMs = wall.nsecsElapsed() / 1e6;
        f.cpuMs = cpuMs() - cpuAtStart;
        f.stallMs = probe.maxGapMs();
        f.durationMs = summary.durationMs;
        f.failures = summary.failures;
        f.unrecorded = summary.hosts - summary.pinged;
        figures.append(f);
        if (figures.size() >= rounds)
            loop.quit();
        else
            QTimer::singleShot(GapBetweenRoundsMs, &loop, next);
    });
    QTimer::singleShot(GapBetweenRoundsMs, &loop, next);
    // A safety net: no round of this bench should take minutes.
    QTimer::singleShot(600 * 1000, &loop, [&] {
        std::fprintf(stderr, "gave up waiting for the rounds\n");
        loop.quit();
    });
    loop.exec();
    s.monitor.stop();
    return figures;
}

void printHeader()
{
    std::printf("| hosts  | first round | round (median) | wall (median) | lost (max) | stall (median) | stall (max) "
                "| CPU/round (median) |\n");
    std::printf("|--------|-------------|----------------|---------------|------------|----------------|-------------"
                "|--------------------|\n");
}

void printSize(int hosts, const QList<RoundFigures>& figures)
{
    if (figures.isEmpty())
        return;
    // The first round builds the rows; the rest only update them, as a long session does.
    const QList<RoundFigures> steady = figures.size() > 1 ? figures.mid(1) : figures;
    QList<qint64> durations;
    QList<double> walls, stalls, cpus;
    int lost = 0;
    double maxStall = 0;
    for (const RoundFigures& f : steady) {
        durations.append(f.durationMs);
        walls.append(f.wallMs);
        stalls.append(f.stallMs);
        cpus.append(f.cpuMs);
    }
    for (const RoundFigures& f : figures) {
        lost = std::max(lost, f.failures + f.unrecorded);
        maxStall = std::max(maxStall, f.stallMs);
    }
    std::printf("| %6d | %8lld ms | %11.0f ms | %10.1f ms | %10d | %11.1f ms | %8.1f ms | %15.1f ms |\n", hosts,
                static_cast<long long>(figures.first().durationMs), median(durations), median(walls), lost,
                median(stalls), maxStall, median(cpus));
    std::fflush(stdout);
}

int runLong(int rounds, int pauseMs, int every, int hostCount, BenchMessageBoxes& boxes, EchoService& echo)
{
    Session s(boxes, echo);
    s.hosts.append(addressesIn(0x7F000000, 0x1000000, hostCount));
    StallProbe probe(ProbePeriodMs);
    QEventLoop loop;
    int done = 0;
    double cpuAtWindow = cpuMs();
    QElapsedTimer window;
    window.start();
    QList<qint64> durations;
    int failures = 0;
    double maxStall = 0;
    qint64 firstRss = 0;
    qint64 peakRss = 0;
    std::printf("%d loopback hosts, pause %d ms, %d rounds\n", hostCount, pauseMs, rounds);
    std::printf("| rounds | VmRSS kB | CPU/round | round (median) | lost | stall (max) | rounds/s |\n");
    std::printf("|--------|----------|-----------|----------------|------|-------------|----------|\n");
    QObject::connect(&s.monitor, &Monitor::roundStarted, &loop, [&] { probe.reset(); });
    QObject::connect(&s.monitor, &Monitor::roundFinished, &loop, [&](const RoundSummary& summary) {
        ++done;
        durations.append(summary.durationMs);
        failures += summary.failures + (summary.hosts - summary.pinged);
        maxStall = std::max(maxStall, probe.maxGapMs());
        if (done % every == 0 || done == rounds) {
            const qint64 rss = vmRssKb();
            if (firstRss == 0)
                firstRss = rss;
            peakRss = std::max(peakRss, rss);
            const double cpu = (cpuMs() - cpuAtWindow) / durations.size();
            const double rate = durations.size() * 1000.0 / std::max<qint64>(1, window.elapsed());
            std::printf("| %6d | %8lld | %6.2f ms | %11.0f ms | %4d | %8.1f ms | %8.1f |\n", done,
                        static_cast<long long>(rss), cpu, median(durations), failures, maxStall, rate);
            std::fflush(stdout);
            durations.clear();
            failures = 0;
            maxStall = 0;
            cpuAtWindow = cpuMs();
            window.start();
        }
        if (done >= rounds) {
            s.monitor.stop();
            loop.quit();
        }
    });
    if (!s.monitor.startWithInterval(pauseMs))
        return 1;
    loop.exec();
    const qint64 lastRss = vmRssKb();
    std::printf("VmRSS after the first %d rounds %lld kB, at the end %lld kB (%+lld kB), peak seen %lld kB; "
                "results rows %d\n",
                every, static_cast<long long>(firstRss), static_cast<long long>(lastRss),
                static_cast<long long>(lastRss - firstRss), static_cast<long long>(peakRss), s.results.count());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QList<int> sizes{1, 100, 1000, 10000};
    int rounds = 7;
    int slice = 0;
    int silent = 0;
    int longRounds = 0;
    int longPause = 0;
    int every = 100;
    int longHosts = 1000;
    bool hanging = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        auto value = [&](qsizetype k = 1) { return args.value(i + k).toInt(); };
        if (a == QLatin1String("--sizes")) {
            sizes.clear();
            for (const QString& n : args.value(++i).split(QLatin1Char(',')))
                sizes.append(n.toInt());
        } else if (a == QLatin1String("--rounds")) {
            rounds = std::max(1, value());
            ++i;
        } else if (a == QLatin1String("--slice")) {
            slice = value();
            ++i;
        } else if (a == QLatin1String("--silent")) {
            silent = value();
            ++i;
        } else if (a == QLatin1String("--hanging")) {
            hanging = true;
        } else if (a == QLatin1String("--long")) {
            longRounds = value(1);
            longPause = value(2);
            i += 2;
        } else if (a == QLatin1String("--every")) {
            every = std::max(1, value());
            ++i;
        } else if (a == QLatin1String("--hosts")) {
            longHosts = value();
            ++i;
        } else {
            std::fprintf(stderr, "unknown argument %s\n", qPrintable(a));
            return 2;
        }
    }

    BenchMessageBoxes boxes;
    SystemPreciseClock echoClock;
    SystemRandom random;
    LinuxEchoService echo(echoClock, random);
    if (!echo.available()) {
        std::fprintf(stderr, "ICMP not permitted: %s\n", qPrintable(echo.unavailableReason()));
        return 77;
    }
    std::printf("socket: %s, slice: %d hosts per turn, probe every %d ms\n",
                echo.socketKind() == IcmpSocket::Kind::Raw ? "raw" : "datagram", slice > 0 ? slice : 256,
                ProbePeriodMs);

    if (longRounds > 0)
        return runLong(longRounds, longPause, every, std::clamp(longHosts, 1, 60000), boxes, echo);

    if (silent > 0) {
        // 10.99.0.0/16 goes nowhere only inside the lab; elsewhere it might be somebody's network.
        if (qEnvironmentVariable("VANTREL_IN_LAB") != QLatin1String("1")) {
            std::fprintf(stderr, "--silent runs only inside the lab (see bench/README.md)\n");
            return 2;
        }
        QStringList addresses = addressesIn(0x0A630000, 0x10000, std::min(silent, 60000));
        std::printf("silent hosts in 10.99.0.0/16 (blackholed in the lab), %d rounds\n", rounds);
        if (hanging) {
            addresses.append(QStringLiteral("never.answers.hang"));
            addresses += addressesIn(0x7F000000, 0x1000000, 10);
            std::printf("plus one name whose lookup never answers and 10 loopback hosts; lost counts them\n");
        }
        printHeader();
        const QList<RoundFigures> figures = runRounds(addresses, rounds, slice, boxes, echo);
        printSize(static_cast<int>(addresses.size()), figures);
        if (hanging) {
            qint64 longest = 0;
            int answered = 0;
            for (const RoundFigures& f : figures) {
                longest = std::max(longest, f.durationMs);
                answered = std::min(answered == 0 ? 1 << 30 : answered,
                                    static_cast<int>(addresses.size()) - f.failures - f.unrecorded);
            }
            std::printf("longest round %lld ms; fewest hosts answering in a round: %d (the 10 loopback hosts)\n",
                        static_cast<long long>(longest), answered);
        }
        return boxes.shown() > 0 ? 1 : 0;
    }

    std::printf("loopback hosts, %d rounds per size (first round, then the median of the others)\n", rounds);
    printHeader();
    for (int size : std::as_const(sizes)) {
        const QStringList addresses = addressesIn(0x7F000000, 0x1000000, std::clamp(size, 1, 60000));
        printSize(static_cast<int>(addresses.size()), runRounds(addresses, rounds, slice, boxes, echo));
    }
    return boxes.shown() > 0 ? 1 : 0;
}
