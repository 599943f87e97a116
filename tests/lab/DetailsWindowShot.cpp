// Pings one host through the real monitor and echo engine with a host details window open, then saves
// the window as a PNG. For the README's screenshot: scripts/history-screenshot.sh runs it inside the lab
// under Xvfb and changes the lab host's delay and loss while it runs.
//
//   DetailsWindowShot HOST PAUSE_MS SECONDS OUTPUT.png

#include "app/gui/HostDetailsWindow.h"
#include "app/gui/LatencyChart.h"
#include "core/ErrorBox.h"
#include "core/HostListModel.h"
#include "core/SessionState.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "history/HistoryTexts.h"
#include "monitor/Monitor.h"
#include "ping/LinuxEchoService.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/QtHostResolver.h"
#include "platform/SystemPreciseClock.h"
#include "platform/SystemRandom.h"
#include "results/ResultsModel.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: DetailsWindowShot HOST PAUSE_MS SECONDS OUTPUT.png\n");
        return 2;
    }
    ConsoleMessageBoxes console;
    SystemPreciseClock echoClock;
    SystemRandom echoRandom;
    LinuxEchoService echo(echoClock, echoRandom);
    if (!echo.available()) {
        std::fprintf(stderr, "%s\n", qPrintable(echo.unavailableReason()));
        return 77;
    }
    QtHostResolver resolver;
    HostListModel hosts;
    ResultsModel results;
    SessionState state;
    ErrorBox errorBox(console);
    Monitor monitor(hosts, results.table(), state, errorBox, console, echo, resolver);
    HistoryStore store;
    HistoryRecorder recorder(results.table(), store);

    HostDetailsWindow* window = nullptr;
    QObject::connect(&results, &QAbstractItemModel::rowsInserted, &app, [&] {
        if (window)
            return;
        window = new HostDetailsWindow(recorder, results.table().tagOf(results.table().slotAt(0)));
        window->resize(760, 600);
        window->show();
    });
    hosts.append(QStringList{args.at(1)});
    monitor.startWithInterval(args.at(2).toInt());
    monitor.runRoundNow();
    QTimer::singleShot(args.at(3).toInt() * 1000, &app, [&] {
        monitor.stop();
        if (!window) {
            QApplication::exit(1);
            return;
        }
        window->refresh();
        // Point at the newest answer so that the read-out line shows what hovering tells.
        if (const auto newest = window->chart().nearest(store.newestTimeMs(results.table().slotAt(0)), true))
            window->findChild<QLabel*>(QStringLiteral("readout"))
                ->setText(QStringLiteral("%1   (pointed at)").arg(HistoryTexts::outcome(*newest, newest->timeMs)));
        QTimer::singleShot(300, &app, [&] {
            const bool saved = window->grab().save(args.at(4));
            std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(args.at(4)));
            QApplication::exit(saved ? 0 : 1);
        });
    });
    const int code = app.exec();
    delete window;
    return code;
}
