#include "app/headless/HeadlessMain.h"

#include "app/headless/HeadlessOptions.h"
#include "app/headless/HeadlessRun.h"
#include "core/PermissionAdvice.h"
#include "core/Version.h"
#include "ping/LinuxEchoService.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/LocalTimeZone.h"
#include "platform/QtCommandRunner.h"
#include "platform/QtHostResolver.h"
#include "platform/SystemClock.h"
#include "platform/SystemPreciseClock.h"
#include "platform/SystemRandom.h"
#include "platform/UnixSignalWatcher.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

namespace
{
// Options the command line takes whose sending the engine does not do yet: refused, so that no run claims
// to measure what it does not.
QStringList notSentYet(const HeadlessOptions& options)
{
    QStringList names;
    if (!options.configFile.isEmpty())
        names << QStringLiteral("--config");
    return names;
}

int run(int argc, char* argv[], bool probe)
{
    LocalTimeZone::readOnce();
    QCoreApplication app(argc, argv);
    const char* name = probe ? "vantrel-probe" : "vantrel";
    const HeadlessOptions options = HeadlessOptions::parse(QCoreApplication::arguments().mid(1), probe);
    if (options.help) {
        std::fputs(qPrintable(probe ? HeadlessOptions::probeUsage() : HeadlessOptions::usage()), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", name, VantrelVersion);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", name, qPrintable(options.error), name);
        return 2;
    }
    if (const QStringList names = notSentYet(options); !names.isEmpty()) {
        std::fprintf(stderr, "%s: %s: not supported yet\n", name, qPrintable(names.join(QLatin1String(", "))));
        return 2;
    }

    IpAddress source;
    if (const QString problem = options.ping.sendFromProblem(source); !problem.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", name, qPrintable(problem));
        return 2;
    }

    ConsoleMessageBoxes console(name);
    SystemPreciseClock echoClock;
    SystemRandom echoRandom;
    LinuxEchoService echo(echoClock, echoRandom);
    echo.setFamily(options.family);
    echo.setSendFrom(source, options.ping.interface);
    echo.setRate(options.ping.ratePps);
    echo.setCount(options.ping.count, options.ping.intervalMs);
    echo.setTimeoutMs(options.ping.timeoutMs);
    echo.setHopLimit(options.ping.ttl);
    echo.setPayloadBytes(options.ping.payloadBytes);
    echo.setFragmentation(LinuxEchoService::fragmentationFor(options.ping));
    if (!echo.available()) {
        std::fprintf(stderr, "%s: %s\n", name, qPrintable(PermissionAdvice::text(echo.unavailableReason())));
        return 3;
    }
    QtHostResolver resolver(options.family);
    QtCommandRunner commands;
    SystemClock clock;
    SystemRandom random;
    HeadlessRun run(options, echo, resolver, console, commands, clock, random);
    UnixSignalWatcher watcher({SIGINT, SIGTERM, SIGHUP});
    QObject::connect(&watcher, &UnixSignalWatcher::received, &run, [&run](int number) {
        if (number == SIGHUP)
            run.reloadLists();
        else
            run.stop();
    });
    int exitCode = 0;
    QObject::connect(&run, &HeadlessRun::finished, &app, [&exitCode](int code) {
        exitCode = code;
        QCoreApplication::exit(code);
    });
    if (!run.start())
        return exitCode;
    app.exec();
    return exitCode;
}
} // namespace

int runHeadless(int argc, char* argv[])
{
    return run(argc, argv, false);
}

int runProbe(int argc, char* argv[])
{
    return run(argc, argv, true);
}
