// One echo to each of N loopback addresses through the engine, then the same list through fping, with wall
// time, CPU time and lost replies for both. Loopback only: every 127.x.y.z answers on Linux.
//
//   ping_bench [N]        (default 10000; run as root for a raw socket, or open ping_group_range)

#include "LinuxEchoService.h"
#include "LinuxIcmpSocket.h"
#include "SystemPreciseClock.h"
#include "SystemRandom.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

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

struct Figures {
    qint64 wallMs = 0;
    double cpuMs = 0;
    int lost = 0;
};

void runFping(const QStringList& addresses)
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
    process.start(fping, {QStringLiteral("-c1"), QStringLiteral("-t200"), QStringLiteral("-i0"), QStringLiteral("-q")});
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
    std::printf("fping -c1 -t200 -i0: wall %lld ms, cpu %.0f ms, lost %lld of %lld\n", wallMs, cpu,
                static_cast<long long>(addresses.size() - received), static_cast<long long>(addresses.size()));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    if (count <= 0 || count > 1000000) {
        std::fprintf(stderr, "usage: ping_bench [N]\n");
        return 2;
    }
    const QStringList addresses = loopbackAddresses(count);

    SystemPreciseClock clock;
    SystemRandom random;
    auto socket = std::make_unique<LinuxIcmpSocket>();
    LinuxIcmpSocket* rawSocket = socket.get();
    LinuxEchoService engine(clock, random, std::move(socket));
    if (!engine.available()) {
        std::fprintf(stderr, "ICMP not permitted: %s\n", qPrintable(engine.unavailableReason()));
        return 3;
    }

    Figures figures;
    int answered = 0;
    qint64 maxRtt = 0;
    QElapsedTimer wall;
    double cpuBefore = 0;
    QTimer::singleShot(0, &app, [&] {
        cpuBefore = cpuMs(RUSAGE_SELF);
        wall.start();
        for (const QString& address : addresses) {
            engine.send(address, &app, [&](const EchoReply& reply) {
                figures.lost += reply.status != EchoStatus::Success;
                maxRtt = std::max<qint64>(maxRtt, reply.roundTripMs);
                if (++answered == count) {
                    figures.wallMs = wall.elapsed();
                    figures.cpuMs = cpuMs(RUSAGE_SELF) - cpuBefore;
                    app.quit();
                }
            });
        }
    });
    QTimer::singleShot(60000, &app, [&] { app.exit(1); });
    if (app.exec() != 0) {
        std::fprintf(stderr, "engine: gave up after 60 s with %d of %d answered\n", answered, count);
        return 1;
    }
    std::printf("%d loopback addresses\n", count);
    std::printf("engine (%s socket, receive buffer %d bytes): wall %lld ms, cpu %.0f ms, lost %d of %d, "
                "max rtt %lld ms\n",
                rawSocket->kind() == IcmpSocket::Kind::Raw ? "raw" : "datagram", rawSocket->receiveBufferSize(),
                figures.wallMs, figures.cpuMs, figures.lost, count, maxRtt);
    std::fflush(stdout);
    runFping(addresses);
    return 0;
}
