// One echo to each of N loopback addresses through the engine, then the same list through fping, with wall
// time, CPU time and lost replies for both. Loopback only: every 127.x.y.z answers on Linux; with --ipv6 the
// addresses are fd00:1::1, fd00:1::2, ..., which answer only inside the namespace of
// tests/lab/netlab.sh isolated (a local route for fd00:1::/64 on lo).
//
//   ping_bench [N] [--ipv6]   (default 10000; run as root for a raw socket, or open ping_group_range)
//
// With --count C: C rounds of one echo per address, one after the other, against one round of C echoes per
// address at the smallest interval (1 ms), and the ratio of the two.

#include "ping/LinuxEchoService.h"
#include "platform/LinuxIcmpSocket.h"
#include "platform/SystemPreciseClock.h"
#include "platform/SystemRandom.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace
{

double cpuMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

QStringList loopbackAddresses(int count)
{
    QStringList addresses;
    for (quint32 n = 1; addresses.size() < count; ++n) {
        const quint32 address = 0x7F000000 | n;
        if ((address & 0xFF) == 0 || (address & 0xFF) == 0xFF)
            continue;
        addresses.append(
            QStringLiteral("127.%1.%2.%3").arg((address >> 16) & 0xFF).arg((address >> 8) & 0xFF).arg(address & 0xFF));
    }
    return addresses;
}

QStringList prefixAddresses(int count)
{
    QStringList addresses;
    for (int n = 1; n <= count; ++n)
        addresses.append(QStringLiteral("fd00:1::%1:%2").arg(n >> 16, 0, 16).arg(n & 0xFFFF, 0, 16));
    return addresses;
}

struct Figures {
    qint64 wallMs = 0;
    double cpuMs = 0;
    int lost = 0;
};

void runFping(const QStringList& addresses, bool ipv6)
{
    const QString fping = QStringLiteral("/usr/bin/fping");
    if (!QFile::exists(fping)) {
        std::printf("fping: not found at /usr/bin/fping, comparison skipped\n");
        return;
    }
    const double cpuBefore = cpuMs(RUSAGE_CHILDREN);
    QElapsedTimer wall;
    wall.start();
    QProcess process;
    // A bench, not the GUI: waiting for the child here blocks nobody.
    QStringList arguments{QStringLiteral("-c1"), QStringLiteral("-t200"), QStringLiteral("-i0"), QStringLiteral("-q")};
    if (ipv6)
        arguments.prepend(QStringLiteral("-6"));
    process.start(fping, arguments);
    process.write(addresses.join(QLatin1Char('\n')).toLatin1() + '\n');
    process.closeWriteChannel();
    process.waitForFinished(120000);
    const qint64 wallMs = wall.elapsed();
    const double cpu = cpuMs(RUSAGE_CHILDREN) - cpuBefore;
    // With -q -c1 fping prints one "xmt/rcv/%loss = 1/1/0%" line per target.
    const QByteArray errors = process.readAllStandardError();
    int received = 0;
    for (const QByteArray& line : errors.split('\n'))
        received += line.contains("= 1/1/");
    if (received == 0 && process.exitCode() > 1) {
        std::printf("fping failed (exit %d): %s\n", process.exitCode(), errors.left(200).trimmed().constData());
        return;
    }
    std::printf("fping %s-c1 -t200 -i0: wall %lld ms, cpu %.0f ms, lost %lld of %lld\n", ipv6 ? "-6 " : "", wallMs, cpu,
                static_cast<long long>(addresses.size() - received), static_cast<long long>(addresses.size()));
}

// Counts the outcomes as the engine hands them over, a batch at a time, until all that were asked for are in.
struct Counter : EchoSink {
    Figures figures;
    int answered = 0;
    int count = 0;
    qint64 maxRttUs = 0;
    QElapsedTimer wall;
    double cpuBefore = 0;
    QEventLoop* loop = nullptr;
    void echoesDone(std::span<const EchoOutcome> outcomes) override
    {
        for (const EchoOutcome& o : outcomes) {
            figures.lost += o.status != EchoStatus::Success;
            maxRttUs = std::max<qint64>(maxRttUs, o.rttUs);
        }
        answered += int(outcomes.size());
        if (answered == count) {
            figures.wallMs = wall.elapsed();
            figures.cpuMs = cpuMs(RUSAGE_SELF) - cpuBefore;
            if (loop != nullptr)
                loop->quit();
            else
                QCoreApplication::quit();
        }
    }
};

// One round of the requests with the engine's count, waited for in a loop of its own; false after 60 s.
bool round(LinuxEchoService& engine, const std::vector<EchoRequest>& requests, Figures& figures)
{
    Counter counter;
    QEventLoop loop;
    counter.loop = &loop;
    counter.count = int(requests.size()) * engine.echoesPerRequest();
    QTimer::singleShot(0, &loop, [&] {
        counter.cpuBefore = cpuMs(RUSAGE_SELF);
        counter.wall.start();
        engine.send(requests, counter);
    });
    QTimer::singleShot(60000, &loop, [&] { loop.exit(1); });
    const bool done = loop.exec() == 0;
    engine.detach(counter);
    figures.wallMs += counter.figures.wallMs;
    figures.cpuMs += counter.figures.cpuMs;
    figures.lost += counter.figures.lost;
    return done;
}

int compareCounts(LinuxEchoService& engine, const std::vector<EchoRequest>& requests, int count)
{
    Figures single;
    Figures several;
    engine.setCount(1, 1);
    for (int i = 0; i < count; ++i) {
        if (!round(engine, requests, single))
            return 1;
    }
    engine.setCount(count, 1);
    if (!round(engine, requests, several))
        return 1;
    const auto echoes = static_cast<long long>(requests.size()) * count;
    std::printf("%d rounds of one echo: wall %lld ms, cpu %.0f ms, lost %d of %lld\n", count, single.wallMs,
                single.cpuMs, single.lost, echoes);
    std::printf("one round of %d echoes, 1 ms apart: wall %lld ms, cpu %.0f ms, lost %d of %lld\n", count,
                several.wallMs, several.cpuMs, several.lost, echoes);
    std::printf("ratio: wall %.2fx, cpu %.2fx\n", double(several.wallMs) / double(std::max<qint64>(1, single.wallMs)),
                several.cpuMs / std::max(1.0, single.cpuMs));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const bool ipv6 = arguments.contains(QStringLiteral("--ipv6"));
    const qsizetype countAt = arguments.indexOf(QStringLiteral("--count"));
    const int echoes = countAt >= 0 && countAt + 1 < arguments.size() ? arguments.at(countAt + 1).toInt() : 1;
    QStringList rest = arguments;
    if (countAt >= 0)
        rest.remove(countAt, std::min<qsizetype>(2, rest.size() - countAt));
    const QStringList numbers = QStringList(rest).filter(QRegularExpression(QStringLiteral("^[0-9]+$")));
    const int count = numbers.isEmpty() ? 10000 : numbers.first().toInt();
    if (count <= 0 || count > 1000000 || numbers.size() + int(ipv6) != rest.size() || echoes < 1 || echoes > 100) {
        std::fprintf(stderr, "usage: ping_bench [N] [--ipv6] [--count C]\n");
        return 2;
    }
    const QStringList addresses = ipv6 ? prefixAddresses(count) : loopbackAddresses(count);

    SystemPreciseClock clock;
    SystemRandom random;
    auto socket =
        std::make_unique<LinuxIcmpSocket>(LinuxIcmpSocket::Preference::Any, ipv6 ? IpFamily::IPv6 : IpFamily::IPv4);
    LinuxIcmpSocket* rawSocket = socket.get();
    LinuxEchoService engine(clock, random, std::move(socket));
    if (!engine.available(ipv6 ? IpFamily::IPv6 : IpFamily::IPv4)) {
        std::fprintf(stderr, "ICMP not permitted: %s\n",
                     qPrintable(engine.unavailableReason(ipv6 ? IpFamily::IPv6 : IpFamily::IPv4)));
        return 3;
    }

    std::vector<EchoRequest> requests;
    requests.reserve(std::size_t(count));
    for (const QString& address : addresses)
        requests.push_back(EchoRequest::forText(requests.size(), address));
    if (countAt >= 0) {
        std::printf("%d loopback addresses (%s, %s socket)\n", count, ipv6 ? "IPv6" : "IPv4",
                    rawSocket->kind() == IcmpSocket::Kind::Raw ? "raw" : "datagram");
        return compareCounts(engine, requests, echoes);
    }
    Counter counter;
    counter.count = count;
    QTimer::singleShot(0, &app, [&] {
        counter.cpuBefore = cpuMs(RUSAGE_SELF);
        counter.wall.start();
        engine.send(requests, counter);
    });
    QTimer::singleShot(60000, &app, [&] { app.exit(1); });
    if (app.exec() != 0) {
        std::fprintf(stderr, "engine: gave up after 60 s with %d of %d answered\n", counter.answered, count);
        return 1;
    }
    std::printf("%d loopback addresses (%s)\n", count, ipv6 ? "IPv6, fd00:1::/64 on lo" : "IPv4, 127.0.0.0/8");
    std::printf("engine (%s socket, receive buffer %d bytes): wall %lld ms, cpu %.0f ms, lost %d of %d, "
                "max rtt %.3f ms\n",
                rawSocket->kind() == IcmpSocket::Kind::Raw ? "raw" : "datagram", rawSocket->receiveBufferSize(),
                counter.figures.wallMs, counter.figures.cpuMs, counter.figures.lost, count, counter.maxRttUs / 1000.0);
    std::fflush(stdout);
    runFping(addresses, ipv6);
    return 0;
}
