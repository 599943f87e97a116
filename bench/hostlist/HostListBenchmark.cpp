// Loads a list file of 1,000,000 lines (about 14 MB) the way "Load List From Text File" does and prints how
// long it took and the longest time the event loop went without turning meanwhile. Then reads a file of as
// many IPv4 addresses, the lines the quick look for ranges reads to their end.
#include "core/ErrorBox.h"
#include "core/HostListModel.h"
#include "core/SessionState.h"
#include "hostlist/HostListActions.h"
#include "hostlist/ListFileReader.h"
#include "results/ResultsModel.h"
#include "tests/fakes/FakeFileDialogs.h"
#include "tests/fakes/FakeInputBox.h"
#include "tests/fakes/FakeMessageBoxes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray chunk;
        for (int i = 0; i < lines; ++i) {
            chunk += "host-" + QByteArray::number(i) + ".example\r\n";
            if (chunk.size() > (1 << 20)) {
                file.write(chunk);
                chunk.clear();
            }
        }
        file.write(chunk);
        std::printf("list file: %d lines, %.1f MB\n", lines, file.size() / 1e6);
    }

    const QString addressPath = dir.filePath(QStringLiteral("addresses.txt"));
    {
        QFile file(addressPath);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray chunk;
        for (int i = 0; i < lines; ++i) {
            chunk += "10." + QByteArray::number(i >> 16 & 255) + '.' + QByteArray::number(i >> 8 & 255) + '.' +
                     QByteArray::number(i & 255) + "\r\n";
            if (chunk.size() > (1 << 20)) {
                file.write(chunk);
                chunk.clear();
            }
        }
        file.write(chunk);
    }

    QElapsedTimer clock;
    clock.start();
    const auto addresses = ListFileReader::readFile(addressPath);
    std::printf("reader alone, IPv4 addresses: %lld ms for %lld entries\n", static_cast<long long>(clock.elapsed()),
                static_cast<long long>(addresses.entries.size()));
    clock.restart();
    const auto read = ListFileReader::readFile(path);
    std::printf("reader alone: %lld ms for %lld entries\n", static_cast<long long>(clock.elapsed()),
                static_cast<long long>(read.entries.size()));
    // The reader's share that looks for ranges, on lists that hold none.
    for (const auto* list : {&addresses, &read}) {
        QStringList entries = list->entries;
        clock.restart();
        ListFileReader::expandRanges(entries);
        std::printf("looking for ranges in %s: %lld ms\n", list == &read ? "host names" : "IPv4 addresses",
                    static_cast<long long>(clock.elapsed()));
    }

    HostListModel hosts;
    ResultsModel results;
    SessionState state;
    FakeMessageBoxes boxes;
    ErrorBox errorBox(boxes);
    FakeInputBox input;
    FakeFileDialogs dialogs;
    HostListActions actions(hosts, results, state, errorBox, boxes, input, dialogs);

    // A probe that should run every millisecond; the largest gap is the longest freeze a user would see.
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    QObject::connect(&actions, &HostListActions::loadFinished, &app, [&] {
        longestGap = std::max(longestGap, sinceTick.elapsed());
        std::printf("load through the button: %lld ms, %d entries, longest event-loop stall %lld ms\n",
                    static_cast<long long>(clock.elapsed()), hosts.count(), static_cast<long long>(longestGap));
        QCoreApplication::quit();
    });
    QTimer::singleShot(0, [&] {
        clock.restart();
        sinceTick.start();
        probe.start();
        actions.loadFiles({path});
    });
    return app.exec();
}
