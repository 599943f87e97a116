#include "HeadlessMain.h"

#include "ConsoleMessageBoxes.h"
#include "HeadlessOptions.h"
#include "HeadlessRun.h"
#include "LinuxEchoService.h"
#include "QtCommandRunner.h"
#include "QtHostResolver.h"
#include "SystemClock.h"
#include "UnixSignalWatcher.h"
#include "Version.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

int runHeadless(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const HeadlessOptions options = HeadlessOptions::parse(QCoreApplication::arguments().mid(1));
    if (options.help) {
        std::fputs(qPrintable(HeadlessOptions::usage()), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("vantrel %s\n", VantrelVersion);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "vantrel: %s\nTry 'vantrel --help'.\n", qPrintable(options.error));
        return 2;
    }

    ConsoleMessageBoxes console;
    LinuxEchoService echo(console);
    if (!echo.available()) {
        std::fprintf(stderr, "vantrel: %s\n", qPrintable(echo.unavailableReason()));
        return 3;
    }
    QtHostResolver resolver;
    SystemClock clock;
    QtCommandRunner commands;
    HeadlessRun run(options, echo, resolver, clock, console, commands);
    UnixSignalWatcher watcher({SIGINT, SIGTERM});
    QObject::connect(&watcher, &UnixSignalWatcher::received, &run, &HeadlessRun::stop);
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
