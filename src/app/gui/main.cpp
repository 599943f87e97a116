#include "alerts/DBusNotificationSender.h"
#include "alerts/SqliteEventStore.h"
#include "app/gui/AlertsController.h"
#include "app/gui/MainWindow.h"
#include "app/gui/PingOptionsController.h"
#include "app/headless/HeadlessMain.h"
#include "app/headless/HeadlessOptions.h"
#include "core/PermissionAdvice.h"
#include "core/Version.h"
#include "history/HistoryLimits.h"
#include "ping/LinuxEchoService.h"
#include "platform/CalcLauncher.h"
#include "platform/IniSettingsStore.h"
#include "platform/LocalTimeZone.h"
#include "platform/QtCommandRunner.h"
#include "platform/QtHostResolver.h"
#include "platform/QtProcessRunner.h"
#include "platform/SystemClock.h"
#include "platform/SystemPreciseClock.h"
#include "platform/SystemRandom.h"
#include "platform/UnixSignalWatcher.h"
#include "platform/widgets/DesktopUrlOpener.h"
#include "platform/widgets/QtClipboard.h"
#include "platform/widgets/QtFileDialogs.h"
#include "platform/widgets/QtInputBox.h"
#include "platform/widgets/QtMessageBoxes.h"
#include "session/MonitorSession.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (HeadlessOptions::wantsHeadless(arguments))
        return runHeadless(argc, argv);

    LocalTimeZone::readOnce();
    QApplication app(argc, argv);
    // Qt has taken its own options (-platform, -style…); anything left but --on-change is not ours.
    QStringList rest = QApplication::arguments().mid(1);
    QString onChange;
    if (const qsizetype at = rest.indexOf(QStringLiteral("--on-change")); at >= 0) {
        if (at + 1 >= rest.size() || rest.at(at + 1).trimmed().isEmpty()) {
            std::fprintf(stderr, "vantrel: --on-change needs a command\nTry 'vantrel --help'.\n");
            return 2;
        }
        onChange = rest.at(at + 1);
        rest.remove(at, 2);
    }
    if (!rest.isEmpty()) {
        std::fprintf(stderr, "vantrel: unknown argument %s\nTry 'vantrel --help'.\n", qPrintable(rest.first()));
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationVersion(QString::fromLatin1(VantrelVersion));

    QtMessageBoxes messageBoxes;
    QtInputBox inputBox;
    QtFileDialogs fileDialogs;
    QtClipboard clipboard;
    IniSettingsStore settings;
    QtProcessRunner processRunner;
    DesktopUrlOpener urlOpener;
    SystemClock clock;
    SystemRandom random;
    CalcLauncher spreadsheet;
    SystemPreciseClock echoClock;
    LinuxEchoService echo(echoClock, random);
    QtHostResolver resolver;
    QtCommandRunner commands;

    MonitorSession::Options sessionOptions;
    sessionOptions.history = HistoryLimits::load(settings);
    MonitorSession session(SessionServices{echo, resolver, messageBoxes, commands, clock}, sessionOptions);
    MainWindow window(session,
                      Services{messageBoxes, inputBox, fileDialogs, clipboard, settings, processRunner, urlOpener,
                               clock, random, spreadsheet},
                      QCoreApplication::applicationDirPath());
    messageBoxes.setParent(&window);
    QObject::connect(&echo, &LinuxEchoService::icmpUnavailable, &window, [&messageBoxes](const QString& reason) {
        messageBoxes.information(QStringLiteral("Vantrel"), PermissionAdvice::text(reason));
    });
    inputBox.setParent(&window);
    fileDialogs.setParent(&window);

    // A logout, kill or Ctrl+C saves the host list and ends the program cleanly, also while a box is open.
    // No box can be answered then, so a failed write is only logged. Signals that arrive before the list
    // is loaded wait in the pipe until the event loop runs.
    UnixSignalWatcher endSignals({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&endSignals, &UnixSignalWatcher::received, &window, [&window] {
        window.saveHostListNow();
        QCoreApplication::exit(0);
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window] { window.saveHostListNow(); });
    DBusNotificationSender notifications;
    AlertsController alerts(session, window,
                            AlertServices{notifications, settings, clock, messageBoxes, fileDialogs,
                                          std::make_unique<SqliteEventStore>(), inputBox, random},
                            onChange);
    PingOptionsController pingOptions(window, settings, messageBoxes);
    // The engine takes the timeout at once; it holds for the echoes sent from then on. A source address or an
    // interface kept from before that this machine no longer has is said once the window is up, and the
    // system's choice holds.
    const auto sendWith = [&echo, &messageBoxes, &window](const PingOptions& options) {
        IpAddress source;
        if (const QString problem = options.sendFromProblem(source, PingOptions::Naming::Labels); problem.isEmpty())
            echo.setSendFrom(source, options.interface);
        else
            QTimer::singleShot(0, &window, [&messageBoxes, problem] {
                messageBoxes.warning(QStringLiteral("Ping Options"), problem);
            });
        echo.setTimeoutMs(options.timeoutMs);
        echo.setHopLimit(options.ttl);
        echo.setPayloadBytes(options.payloadBytes);
        echo.setFragmentation(LinuxEchoService::fragmentationFor(options));
        echo.setRate(options.ratePps);
        echo.setCount(options.count, options.intervalMs);
    };
    sendWith(pingOptions.options());
    QObject::connect(&pingOptions, &PingOptionsController::optionsChanged, &window, sendWith);

    window.startUp();
    alerts.start();
    if (const QScreen* screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    return app.exec();
}
