// Whole-process comparison of one vantrel-probe round with the floor (floor: only the sends and receives)
// and fping over the same list of loopback hosts, and the time to render /metrics for that many hosts.
//
//     probe_bench [HOSTS] [--runs R] [--ipv6]      (default 100000 hosts, 3 runs)
//
// Each run starts `floor LIST`, `vantrel-probe --rounds 1 LIST` (results table to standard output, sent to
// /dev/null) and `fping -c1 -t200 -i0 -q -f LIST`, and reads wall time, CPU time (user + system) and peak resident
// memory (ru_maxrss) of each child from wait4(). Hosts are 127.0.0.1, 127.0.0.2, ... (.0 and .255 skipped): all answer
// on Linux and nothing leaves the host. With --ipv6 they are fd00:1::1, fd00:1::2, ..., which answer only in
// the lone namespace of `netlab.sh isolated` (a local route for fd00:1::/64 on lo). `vantrel --headless
// --rounds 1` runs over the same list as well.
#include "metrics/HostCounterColumns.h"
#include "metrics/MetricsExposition.h"
#include "platform/LocalTimeZone.h"
#include "results/HostTable.h"
#include "tests/fakes/ResultsFeed.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

QString ipv4TextForBench(quint32 a);

namespace
{
struct Figures {
    double wallMs = 0;
    double cpuMs = 0;
    long maxRssKb = 0;
    int exitCode = -1;
};

quint32 loopbackAddress(int i)
{
    // 127.0.0.1 upwards, skipping host bytes 0 and 255.
    const quint32 n = static_cast<quint32>(i) / 254 * 256 + static_cast<quint32>(i) % 254 + 1;
    return (127u << 24) + n;
}

Figures runChild(const std::vector<std::string>& arguments, const QString& stderrFile)
{
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    QElapsedTimer wall;
    wall.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        const int err = ::open(stderrFile.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage = {};
    ::wait4(pid, &status, 0, &usage);
    Figures f;
    f.wallMs = static_cast<double>(wall.nsecsElapsed()) / 1e6;
    f.cpuMs =
        (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    f.maxRssKb = usage.ru_maxrss;
    f.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return f;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void print(const char* what, const Figures& f, int hosts, const QByteArray& note)
{
    std::printf("%-18s wall %8.1f ms  CPU %8.1f ms  peak RSS %8ld kB  (%5.0f B/host)  exit %d  %s\n", what, f.wallMs,
                f.cpuMs, f.maxRssKb, f.maxRssKb * 1024.0 / hosts, f.exitCode, note.constData());
}

void renderBench(int hosts)
{
    HostTable results;
    HostCounterColumns counters(results);
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < hosts; ++i) {
        const quint32 address = loopbackAddress(i);
        const HostTable::Slot row = results.appendRow(static_cast<quint64>(i + 1), ipv4TextForBench(address));
        for (int round = 0; round < 8; ++round) {
            if ((i + round) % 5 == 0)
                ResultsFeed::failure(results, row, 11010, now);
            else
                ResultsFeed::success(results, row, IpAddress::fromIpv4(address), static_cast<quint32>((i + round) % 40),
                                     64, now);
        }
    }
    ProbeFigures figures{8, 900, hosts, QStringLiteral("1.0.0")};
    std::vector<double> times;
    qsizetype size = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        const QByteArray text = MetricsExposition::render(results, counters, figures);
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        size = text.size();
    }
    std::sort(times.begin(), times.end());
    std::printf("render /metrics for %d hosts: best %.1f ms, median %.1f ms, %.1f MB of text\n", hosts, times.front(),
                times[times.size() / 2], static_cast<double>(size) / 1e6);
}
} // namespace

QString ipv4TextForBench(quint32 a)
{
    return QStringLiteral("%1.%2.%3.%4").arg(a >> 24).arg((a >> 16) & 255).arg((a >> 8) & 255).arg(a & 255);
}

int main(int argc, char* argv[])
{
    // As the probe does: /metrics converts every host's last reply from local time.
    LocalTimeZone::readOnce();
    QCoreApplication app(argc, argv);
    int hosts = 100000;
    int runs = 3;
    bool ipv6 = false;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--ipv6"))
            ipv6 = true;
        else if (args.at(i) == QLatin1String("--runs") && i + 1 < args.size())
            runs = args.at(++i).toInt();
        else
            hosts = args.at(i).toInt();
    }
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("hosts.txt"));
    const QString one = dir.filePath(QStringLiteral("one.txt"));
    {
        QFile f(list);
        f.open(QIODevice::WriteOnly);
        for (int i = 0; i < hosts; ++i) {
            if (ipv6)
                f.write(QStringLiteral("fd00:1::%1:%2\n")
                            .arg((i + 1) >> 16, 0, 16)
                            .arg((i + 1) & 0xFFFF, 0, 16)
                            .toLatin1());
            else
                f.write(ipv4TextForBench(loopbackAddress(i)).toLatin1() + '\n');
        }
        QFile o(one);
        o.open(QIODevice::WriteOnly);
        o.write("127.0.0.1\n");
    }
    const std::string probe = VANTREL_PROBE;
    const QString err = dir.filePath(QStringLiteral("stderr.txt"));
    std::printf("%d loopback hosts (%s), %d runs\n", hosts, ipv6 ? "IPv6" : "IPv4", runs);
    std::vector<std::string> floorCommand{VANTREL_FLOOR, list.toStdString()};
    std::vector<std::string> fpingCommand{"fping", "-c1", "-t200", "-i0", "-q", "-f", list.toStdString()};
    if (ipv6) {
        floorCommand.push_back("--ipv6");
        fpingCommand.insert(fpingCommand.begin() + 1, "-6");
    }
    const Figures baseline = runChild({probe, "--rounds", "1", one.toStdString()}, err);
    std::printf("vantrel-probe, one host: peak RSS %ld kB (what the program needs before any host)\n",
                baseline.maxRssKb);
    for (int run = 1; run <= runs; ++run) {
        const Figures floor = runChild(floorCommand, err);
        print("floor", floor, hosts, readAll(err).trimmed());
        const Figures p = runChild({probe, "--rounds", "1", list.toStdString()}, err);
        const QByteArray probeErr = readAll(err).trimmed();
        print("vantrel-probe", p, hosts, probeErr.left(200));
        // "round 1: N hosts, ..., 140 ms": the round alone, without starting and reading the list.
        const qsizetype roundAt = probeErr.lastIndexOf(", ");
        const double roundMs = roundAt > 0 ? probeErr.mid(roundAt + 2).split(' ').first().toDouble() : 0;
        std::printf("  probe / floor: wall %.2fx  CPU %.2fx  round %.2fx  memory over one host %.0f B/host\n",
                    p.wallMs / floor.wallMs, p.cpuMs / floor.cpuMs, roundMs / floor.wallMs,
                    (p.maxRssKb - baseline.maxRssKb) * 1024.0 / hosts);
        const Figures h = runChild({VANTREL_HEADLESS, "--headless", "--rounds", "1", list.toStdString()}, err);
        print("vantrel --headless", h, hosts, readAll(err).trimmed().left(200));
        const Figures f = runChild(fpingCommand, err);
        const QByteArray fpingErr = readAll(err);
        // Hosts without a "1/1/" summary line got no answer, or were never pinged (fping stops early when it
        // runs out of sequence numbers: it says so on its first line).
        const int lost = hosts - static_cast<int>(fpingErr.count("xmt/rcv/%loss = 1/1/"));
        QByteArray note = "lost " + QByteArray::number(lost);
        if (fpingErr.startsWith("fping error"))
            note += ", " + fpingErr.left(fpingErr.indexOf('(')).trimmed();
        print("fping", f, hosts, note);
        std::printf("  probe / fping: wall %.2fx  CPU %.2fx;  headless / fping: wall %.2fx  CPU %.2fx\n",
                    p.wallMs / f.wallMs, p.cpuMs / f.cpuMs, h.wallMs / f.wallMs, h.cpuMs / f.cpuMs);
    }
    renderBench(hosts);
    return 0;
}
