// Random steps at random moments against the window's logic without the window, while the monitor pings
// loopback hosts through the real engine at short pauses; the tables and exports are checked after each step.
//
//   VANTREL_STRESS_SEED     the random seed (default 1); a failure prints it, so a run can be repeated
//   VANTREL_STRESS_SECONDS  how long to keep stepping (default 75)
//
// Every host is a loopback address of its own (127.1.x.y, never reused) or "localhost"; nothing else is
// ever pinged. The "Load Sample/Example Data" button is left out on purpose: its list names public hosts
// and 74.125.45.19, and pinging those would send traffic off this machine.

#include "core/AppTexts.h"
#include "core/ErrorBox.h"
#include "core/HostListModel.h"
#include "core/SessionState.h"
#include "export/AlignedTextWriter.h"
#include "export/ClipboardTextWriter.h"
#include "export/ExportActions.h"
#include "hostlist/HostListActions.h"
#include "monitor/Monitor.h"
#include "ping/HostAddress.h"
#include "ping/LinuxEchoService.h"
#include "platform/QtHostResolver.h"
#include "platform/SystemPreciseClock.h"
#include "platform/SystemRandom.h"
#include "results/ResultsModel.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeFileDialogs.h"
#include "tests/fakes/FakeInputBox.h"
#include "tests/fakes/FakeMessageBoxes.h"
#include "tests/fakes/FakeProgressSink.h"
#include "tests/fakes/FakeSpreadsheetLauncher.h"
#include "tests/fakes/ResidentMemory.h"
#include "tests/stress/CountingEchoService.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

constexpr int MaxHosts = 150;
constexpr int MaxSteps = 100000; // a bound on top of the time limit
constexpr qint64 AllowedGrowthKb = 50 * 1024;

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

} // namespace

class StressTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void randomStepsKeepTheTablesRight();
};

void StressTest::randomStepsKeepTheTablesRight()
{
    FakeMessageBoxes boxes;
    SystemPreciseClock echoClock;
    SystemRandom echoRandom;
    LinuxEchoService engine(echoClock, echoRandom);
    if (!engine.available())
        QSKIP(qPrintable(QStringLiteral("ICMP not permitted here (%1)").arg(engine.unavailableReason())));

    const quint32 seed = static_cast<quint32>(envInt("VANTREL_STRESS_SEED", 1));
    const int seconds = std::clamp(envInt("VANTREL_STRESS_SECONDS", 75), 1, 3600);
    qInfo("seed %u, %d s (repeat with VANTREL_STRESS_SEED=%u VANTREL_STRESS_SECONDS=%d)", seed, seconds, seed, seconds);
    QRandomGenerator random(seed);
    auto chance = [&](int percent) { return static_cast<int>(random.bounded(100)) < percent; };

    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    HostListModel hosts;
    ResultsModel results;
    results.setLocale(QLocale(QStringLiteral("en_US")));
    SessionState state;
    ErrorBox errorBox(boxes);
    FakeInputBox input;
    FakeFileDialogs dialogs;
    FakeClipboard clipboard;
    FakeProgressSink progress;
    FakeSpreadsheetLauncher spreadsheet;
    QtHostResolver resolver;

    // Every address belongs to one entry for good; "localhost" answers from 127.0.0.1, which no other entry
    // uses, and the list holds at most one "localhost" at a time.
    QHash<QString, quint64> hostOfAddress;
    connect(&hosts, &QAbstractItemModel::rowsInserted, this, [&](const QModelIndex&, int first, int last) {
        for (int i = first; i <= last; ++i) {
            const HostEntry& e = hosts.entry(i);
            hostOfAddress.insert(e.text == QLatin1String("localhost") ? QStringLiteral("127.0.0.1") : e.text, e.id);
        }
    });
    CountingEchoService echo(engine, results.table(), [&](const QString& a) { return hostOfAddress.value(a, 0); });

    HostListActions hostActions(hosts, results, state, errorBox, boxes, input, dialogs);
    Monitor monitor(hosts, results.table(), state, errorBox, boxes, echo, resolver);
    ExportActions exports(results, state, errorBox, boxes, dialogs, clipboard, spreadsheet, progress);
    connect(&monitor, &Monitor::roundStarted, this, [&](int n) { echo.beginRound(n); });
    // The list stays under one default slice, so small slices are what make a round span several turns of the
    // event loop, with steps landing between its turns.
    const QList<int> slices{1, 3, 8, 32, 256};
    auto pickSlice = [&] { monitor.setRoundSliceSize(slices.at(random.bounded(slices.size()))); };
    pickSlice();
    QSignalSpy roundsDone(&monitor, &Monitor::roundFinished);
    QSignalSpy loadsDone(&hostActions, &HostListActions::loadFinished);

    quint32 nextAddress = 0x7F010001; // 127.1.0.1 upwards
    auto freshAddress = [&] {
        while ((nextAddress & 0xFF) == 0 || (nextAddress & 0xFF) == 0xFF)
            ++nextAddress;
        const quint32 a = nextAddress++;
        return QStringLiteral("127.%1.%2.%3").arg((a >> 16) & 0xFF).arg((a >> 8) & 0xFF).arg(a & 0xFF);
    };
    auto hasLocalhost = [&] { return hosts.texts().contains(QStringLiteral("localhost")); };
    auto pauseText = [&] { return QStringLiteral("0.%1").arg(20 + random.bounded(81), 3, 10, QLatin1Char('0')); };

    QMap<QString, int> stepCounts;
    int fileNumber = 0;
    QString lastStep;

    // Invariants that hold after every step.
    auto check = [&]() -> bool {
        if (!echo.violations().isEmpty()) {
            qWarning("%s", qPrintable(echo.violations().join(QLatin1Char('\n'))));
            return false;
        }
        QSet<quint64> hostsWithRow;
        const HostTable& table = results.table();
        for (int r = 0; r < table.rowCount(); ++r) {
            const HostTable::Slot slot = table.slotAt(r);
            const QString& host = table.hostText(slot);
            const int e = hosts.indexOfId(table.hostId(slot));
            if (e >= 0) {
                if (host != hosts.text(e)) {
                    qWarning("row %d names %s, its host is %s", r, qPrintable(host), qPrintable(hosts.text(e)));
                    return false;
                }
                if (hostsWithRow.contains(table.hostId(slot))) {
                    qWarning("host %s has two rows", qPrintable(host));
                    return false;
                }
                hostsWithRow.insert(table.hostId(slot));
                // Loopback answers from the address asked, so a reply from any other tells of a crossed outcome.
                const QString asked =
                    hosts.text(e) == QLatin1String("localhost") ? QStringLiteral("127.0.0.1") : hosts.text(e);
                if (!table.replyAddress(slot).isNull() && table.replyAddress(slot).toString() != asked) {
                    qWarning("row %d (%s) shows a reply from %s", r, qPrintable(host),
                             qPrintable(results.cellText(r, ResultsModel::ReplyAddress)));
                    return false;
                }
            }
            const qint64 counts = qint64(table.succeeded(slot) + table.failed(slot));
            if (counts != echo.delivered(table.tagOf(slot))) {
                qWarning("row %d (%s): %lld counted, %lld outcomes delivered", r, qPrintable(host),
                         static_cast<long long>(counts), static_cast<long long>(echo.delivered(table.tagOf(slot))));
                return false;
            }
            if (table.counted(slot) && results.cellText(r, ResultsModel::HostName) != host) {
                qWarning("row %d shows %s", r, qPrintable(results.cellText(r, ResultsModel::HostName)));
                return false;
            }
        }
        for (const FakeMessageBoxes::Shown& s : std::as_const(boxes.shown)) {
            if (s.title == ErrorBox::title()) {
                qWarning("error box: %s", qPrintable(s.text));
                return false;
            }
        }
        return true;
    };

    QElapsedTimer elapsed;
    elapsed.start();
    const qint64 runMs = seconds * 1000LL;
    const qint64 warmUpMs = std::min<qint64>(runMs / 4, 15000);
    qint64 rssAfterWarmUp = -1;
    qint64 rssPeak = 0;
    int steps = 0;
    QTimer pacer;
    pacer.setSingleShot(true);
    QSignalSpy paced(&pacer, &QTimer::timeout);

    while (elapsed.elapsed() < runMs && steps < MaxSteps) {
        // A random moment: the monitor's rounds and the engine run meanwhile.
        pacer.start(static_cast<int>(random.bounded(40)));
        QVERIFY(paced.wait(2000));
        paced.clear();

        const int kind = static_cast<int>(random.bounded(100));
        QString step;
        if (!monitor.isOn() && chance(40)) {
            step = QStringLiteral("start");
            monitor.startOrStop(pauseText());
        } else if (kind < 22) {
            step = QStringLiteral("add host");
            if (hosts.count() >= MaxHosts)
                input.answers.append(QString()); // Cancel
            else if (!hasLocalhost() && chance(15))
                input.answers.append(QStringLiteral("localhost"));
            else
                input.answers.append(chance(5) ? QString() : freshAddress());
            hostActions.addHost();
        } else if (kind < 36) {
            step = QStringLiteral("remove host");
            hostActions.removeSelected(hosts.count() ? static_cast<int>(random.bounded(hosts.count() + 1)) - 1 : -1);
        } else if (kind < 39) {
            step = QStringLiteral("clear list");
            hostActions.clearList();
        } else if (kind < 47) {
            step = QStringLiteral("load list files");
            QList<QString> paths;
            const int files = 1 + static_cast<int>(random.bounded(2));
            for (int f = 0; f < files; ++f) {
                const QString path = dir.filePath(QStringLiteral("list%1.txt").arg(++fileNumber));
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                const int lines = hosts.count() >= MaxHosts ? 0 : 1 + static_cast<int>(random.bounded(20));
                // Lines end in CR LF or LF, the last one in CR LF or nothing: an LF at the very end adds an
                // empty entry, and empty entries, having no address of their own, would spoil the books.
                for (int l = 0; l < lines; ++l) {
                    file.write(freshAddress().toLatin1());
                    if (l + 1 < lines)
                        file.write(chance(50) ? "\r\n" : "\n");
                    else if (chance(50))
                        file.write("\r\n");
                }
                file.close();
                paths.append(path);
            }
            dialogs.openAnswers.append(chance(5) ? QStringList() : QStringList(paths));
            hostActions.chooseListFiles();
        } else if (kind < 53) {
            step = QStringLiteral("clear results");
            monitor.clearResults();
        } else if (kind < 61) {
            step = QStringLiteral("delete results row");
            monitor.deleteResultRow(results.count() ? static_cast<int>(random.bounded(results.count() + 1)) - 1 : -1);
        } else if (kind < 71) {
            step = QStringLiteral("start/stop");
            monitor.startOrStop(pauseText());
        } else if (kind < 81) {
            step = QStringLiteral("text export");
            const QString path = dir.filePath(QStringLiteral("results.txt"));
            dialogs.saveAnswers.append(path);
            // Nothing runs between taking this snapshot and the handler's own: it is the same moment.
            const QByteArray expected = AlignedTextWriter().toByteArray(results.snapshot());
            exports.saveAsText();
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray written = file.readAll();
            if (written != expected) {
                qWarning("seed %u, step %d: the text file differs from the table", seed, steps);
                QCOMPARE(written, expected);
            }
        } else if (kind < 91) {
            step = QStringLiteral("clipboard copy");
            const ResultsSnapshot snapshot = results.snapshot();
            const QString before = clipboard.content;
            exports.copyToClipboard();
            const QString expected = snapshot.rows.isEmpty() ? before : ClipboardTextWriter::toText(snapshot);
            if (clipboard.content != expected) {
                qWarning("seed %u, step %d: the clipboard differs from the table", seed, steps);
                QCOMPARE(clipboard.content, expected);
            }
        } else if (kind < 93) {
            step = QStringLiteral("slice size");
            pickSlice();
        } else {
            step = QStringLiteral("wait");
        }
        ++stepCounts[step];
        ++steps;
        // Boxes pile up in the fake (the clipboard one after every copy); only error boxes matter here.
        if (boxes.shown.size() > 1000)
            boxes.shown.remove(0, 900);
        if (!check())
            QFAIL(qPrintable(QStringLiteral("seed %1, step %2 (%3), after %4: invariant broken")
                                 .arg(seed)
                                 .arg(steps)
                                 .arg(step, lastStep)));
        lastStep = step;

        const qint64 rss = vmRssKb();
        rssPeak = std::max(rssPeak, rss);
        if (rssAfterWarmUp < 0 && elapsed.elapsed() >= warmUpMs)
            rssAfterWarmUp = rss;
    }

    // Wind down: monitoring off, the last round and any list file load settled, then the books once more.
    if (monitor.isOn())
        monitor.stop();
    QTRY_VERIFY_WITH_TIMEOUT(!monitor.roundRunning() && !hostActions.isLoading(), 10000);
    QVERIFY(check());

    const qint64 rssEnd = vmRssKb();
    QStringList counts;
    for (auto it = stepCounts.cbegin(); it != stepCounts.cend(); ++it)
        counts.append(QStringLiteral("%1 %2").arg(it.key()).arg(it.value()));
    qInfo("%d steps (%s); %lld rounds, %d echoes, %d outcomes (%d after their row was gone); %d hosts, %d rows", steps,
          qPrintable(counts.join(QStringLiteral(", "))), static_cast<long long>(roundsDone.size()), echo.sent(),
          echo.outcomes(), echo.dropped(), hosts.count(), results.count());
    qInfo("VmRSS after warm-up %lld kB, peak %lld kB, end %lld kB", rssAfterWarmUp, rssPeak, rssEnd);

    // The run did something: rounds ran and echoes came back.
    QVERIFY2(roundsDone.size() >= std::min(10, seconds), "too few rounds ran");
    QVERIFY(echo.outcomes() > 0);
    // AddressSanitizer holds freed memory in quarantine, so resident memory grows by design there; that
    // build finds leaks with LeakSanitizer instead.
#if defined(__SANITIZE_ADDRESS__)
    const bool measurable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    const bool measurable = false;
#else
    const bool measurable = true;
#endif
#else
    const bool measurable = true;
#endif
    if (measurable)
        QVERIFY2(rssAfterWarmUp > 0 && rssPeak - rssAfterWarmUp < AllowedGrowthKb, "memory grew with the rounds");
}

QTEST_GUILESS_MAIN(StressTest)
#include "StressTest.moc"
