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
// The engine's settings from the ping options; the source address already checked.
void setUp(LinuxEchoService& echo, const PingOptions& ping, IpFamily family, const IpAddress& source)
{
    echo.setFamily(family);
    echo.setSendFrom(source, ping.interface);
    echo.setRate(ping.ratePps);
    echo.setCount(ping.count, ping.intervalMs);
    echo.setTimeoutMs(ping.timeoutMs);
    echo.setHopLimit(ping.ttl);
    echo.setPayloadBytes(ping.payloadBytes);
    echo.setFragmentation(LinuxEchoService::fragmentationFor(ping));
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

    IpAddress source;
    if (const QString problem = options.ping.sendFromProblem(source); !problem.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", name, qPrintable(problem));
        return 2;
    }

    ConsoleMessageBoxes console(name);
    SystemPreciseClock echoClock;
    SystemRandom echoRandom;
    LinuxEchoService echo(echoClock, echoRandom);
    setUp(echo, options.ping, options.family, source);
    if (!echo.available()) {
        std::fprintf(stderr, "%s: %s\n", name, qPrintable(PermissionAdvice::text(echo.unavailableReason())));
        return 3;
    }
    QtHostResolver resolver(options.family);
    QtCommandRunner commands;
    SystemClock clock;
    SystemRandom random;
    HeadlessRun run(options, echo, resolver, console, commands, clock, random);
    // Each target group of --config sends with its own settings, through sockets of its own.
    run.setGroupEngines([&echoClock, &echoRandom](const PingOptions& ping, IpFamily family) {
        GroupEngine engine;
        IpAddress from;
        if (const QString problem = ping.sendFromProblem(from); !problem.isEmpty()) {
            engine.error = problem;
            return engine;
        }
        auto groupEcho = std::make_unique<LinuxEchoService>(echoClock, echoRandom);
        setUp(*groupEcho, ping, family, from);
        if (!groupEcho->available(family)) {
            engine.error = PermissionAdvice::text(groupEcho->unavailableReason(family));
            return engine;
        }
        engine.echo = std::move(groupEcho);
        engine.resolver = std::make_unique<QtHostResolver>(family);
        return engine;
    });
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
