// What --rate does to a round, read from the echoes themselves: N loopback addresses (127.x.y.z, all answer on
// Linux, nothing leaves the host) sent through the engine at a rate, the send time of each echo taken from its
// outcome (receive stamp minus round trip), then the most echoes that left within any one second and within
// any 100 ms, set against the limit.
//
//   rate_bench [N] [--rate PPS] [--timeout MS]   (default 100000 hosts at 50000 echoes a second, 1000 ms)
//
// Run as root for a raw socket, or open ping_group_range.

#include "ping/LinuxEchoService.h"
#include "platform/LinuxIcmpSocket.h"
#include "platform/SystemPreciseClock.h"
#include "platform/SystemRandom.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

QString ipv4Text(quint32 a)
{
    return QStringLiteral("%1.%2.%3.%4").arg(a >> 24).arg((a >> 16) & 0xFF).arg((a >> 8) & 0xFF).arg(a & 0xFF);
}

// The most stamps (sorted) that lie within any window of this length.
std::size_t mostWithin(const std::vector<qint64>& sortedUs, qint64 windowUs)
{
    std::size_t most = 0;
    std::size_t first = 0;
    for (std::size_t last = 0; last < sortedUs.size(); ++last) {
        while (sortedUs[last] - sortedUs[first] >= windowUs)
            ++first;
        most = std::max(most, last - first + 1);
    }
    return most;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("hosts"), QStringLiteral("loopback hosts (100000)"));
    parser.addOption({QStringLiteral("rate"), QStringLiteral("echoes a second (50000)"), QStringLiteral("pps"),
                      QStringLiteral("50000")});
    parser.addOption({QStringLiteral("timeout"), QStringLiteral("echo timeout (1000)"), QStringLiteral("ms"),
                      QStringLiteral("1000")});
    parser.process(app);
    const int count = parser.positionalArguments().isEmpty() ? 100000 : parser.positionalArguments().first().toInt();
    const int rate = parser.value(QStringLiteral("rate")).toInt();
    const int timeoutMs = parser.value(QStringLiteral("timeout")).toInt();
    if (count <= 0 || count > 1000000 || rate <= 0 || timeoutMs <= 0) {
        std::fprintf(stderr, "usage: rate_bench [N] [--rate PPS] [--timeout MS]\n");
        return 2;
    }

    SystemPreciseClock clock;
    SystemRandom random;
    auto socket = std::make_unique<LinuxIcmpSocket>(LinuxIcmpSocket::Preference::Any, IpFamily::IPv4);
    LinuxEchoService engine(clock, random, std::move(socket));
    if (!engine.available(IpFamily::IPv4)) {
        std::fprintf(stderr, "ICMP not permitted: %s\n", qPrintable(engine.unavailableReason(IpFamily::IPv4)));
        return 3;
    }
    engine.setTimeoutMs(timeoutMs);
    engine.setRate(rate);

    struct Stamps : EchoSink {
        std::vector<qint64> sentUs;
        int outcomes = 0;
        int failed = 0;
        int count = 0;
        qint64 roundMs = 0;
        QElapsedTimer wall;
        void echoesDone(std::span<const EchoOutcome> batch) override
        {
            for (const EchoOutcome& o : batch) {
                if (o.answered())
                    sentUs.push_back(o.whenUs - o.rttUs);
                else
                    ++failed;
            }
            outcomes += int(batch.size());
            if (outcomes == count) {
                roundMs = wall.elapsed();
                QCoreApplication::quit();
            }
        }
    } stamps;
    stamps.count = count;
    stamps.sentUs.reserve(std::size_t(count));
    std::vector<EchoRequest> requests;
    requests.reserve(std::size_t(count));
    for (quint32 n = 1; requests.size() < std::size_t(count); ++n) {
        const quint32 address = 0x7F000000 | n;
        if ((address & 0xFF) != 0 && (address & 0xFF) != 0xFF)
            requests.push_back(EchoRequest::forText(requests.size(), ipv4Text(address)));
    }
    QTimer::singleShot(0, &app, [&] {
        stamps.wall.start();
        engine.send(requests, stamps);
    });
    const int limitMs = int(qint64(count) * 1000 / rate) + timeoutMs + 30000;
    QTimer::singleShot(limitMs, &app, [&] { app.exit(1); });
    if (app.exec() != 0) {
        std::fprintf(stderr, "gave up after %d ms with %d of %d outcomes\n", limitMs, stamps.outcomes, count);
        return 1;
    }
    std::vector<qint64>& sent = stamps.sentUs;
    std::sort(sent.begin(), sent.end());
    const double spanS = sent.size() > 1 ? double(sent.back() - sent.front()) / 1e6 : 0.0;
    const std::size_t perSecond = mostWithin(sent, 1000000);
    const std::size_t per100Ms = mostWithin(sent, 100000);
    std::printf("%d loopback hosts at --rate %d: round %lld ms (hosts / rate = %lld ms), %d failed\n", count, rate,
                static_cast<long long>(stamps.roundMs), static_cast<long long>(qint64(count) * 1000 / rate),
                stamps.failed);
    std::printf("send stamps of %zu answered echoes span %.3f s: %.0f echoes a second on average\n", sent.size(), spanS,
                spanS > 0 ? double(sent.size() - 1) / spanS : 0.0);
    std::printf("most within any 1 s: %zu (%.3fx the rate); within any 100 ms: %zu (%.3fx a tenth of it)\n", perSecond,
                double(perSecond) / rate, per100Ms, double(per100Ms) * 10 / rate);
    return 0;
}
