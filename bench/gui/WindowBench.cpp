// The real window over many loopback hosts, pinged by the real echo engine, under a real X server (Xvfb).
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" window_bench [--hosts N] [--pause-ms P] [--seconds S]
//           [--sort COLUMN] [--no-keys | --keys-only]
//       N (10000) loopback hosts (127.x.y.z: all answer on Linux, nothing leaves the host) at a pause of P
//       (1000) ms, the results sorted by COLUMN (6, "Last Ping Time (ms)"). After two rounds, for S (20) seconds: the
//       CPU share of one core (getrusage, the whole process) and the time from a key press (Down or Up in the
//       results table, posted from a second thread at random moments, so a busy event loop delays it as it
//       would a real key) to the start of the results table's next paint: median and p99. The CPU time per
//       round is set against that of floor (only the sends and receives; the median of five runs) on the same
//       list, run first; then how often each widget was painted. With --keys-only the monitor stops after the
//       two rounds, so the CPU time measured is the key presses' own, printed per press; then the same presses
//       go to Qt's own tree view over a plain copy of the texts shown, and to a widget that only fills the two
//       rows, the least a repaint on a key press costs here.
//   window_bench --screenshot FILE [--maximized] [--sort COLUMN] [--descending] [--rounds R]
//       a dozen loopback hosts and three that fail ("bad..host" and friends), R (3) rounds at 1 s, then the
//       window grabbed to FILE (PNG)
//
// Run as root (raw socket) or with net.ipv4.ping_group_range open; exits 77 when ICMP is not permitted.

#include "app/gui/MainWindow.h"
#include "app/gui/ResultsViewProxy.h"
#include "bench/monitor/BenchMessageBoxes.h"
#include "core/HostListModel.h"
#include "monitor/Monitor.h"
#include "ping/LinuxEchoService.h"
#include "platform/LocalTimeZone.h"
#include "platform/QtHostResolver.h"
#include "platform/SystemClock.h"
#include "platform/SystemPreciseClock.h"
#include "platform/SystemRandom.h"
#include "results/ResultsModel.h"
#include "session/MonitorSession.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeCommandRunner.h"
#include "tests/fakes/FakeFileDialogs.h"
#include "tests/fakes/FakeInputBox.h"
#include "tests/fakes/FakeProcessRunner.h"
#include "tests/fakes/FakeRandom.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/fakes/FakeSpreadsheetLauncher.h"
#include "tests/fakes/FakeUrlOpener.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMap>
#include <QMutex>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <random>
#include <sys/resource.h>

namespace
{

double systemCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_stime.tv_sec * 1000.0 + usage.ru_stime.tv_usec / 1000.0;
}

// User and system CPU of this process, or with RUSAGE_CHILDREN of its finished children.
double cpuMs(int who = RUSAGE_SELF)
{
    rusage usage{};
    getrusage(who, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

QStringList loopbackHosts(int count)
{
    QStringList hosts;
    for (quint32 n = 1; hosts.size() < count; ++n) {
        const quint32 address = 0x7F000000u | n;
        if ((address & 0xFF) == 0 || (address & 0xFF) == 0xFF)
            continue;
        hosts.append(
            QStringLiteral("127.%1.%2.%3").arg((address >> 16) & 0xFF).arg((address >> 8) & 0xFF).arg(address & 0xFF));
    }
    return hosts;
}

// Voluntary context switches of all the process's threads: on a virtual machine each sleep and wake-up
// costs more than painting a row.
long contextSwitches()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto i = static_cast<qsizetype>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values.at(std::min(i, values.size() - 1));
}

QString argument(const QStringList& args, const QString& name, const QString& fallback)
{
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
}

// Times a key press, posted by another thread, to the next paint of the view it went to.
class KeyToPaint : public QObject
{
public:
    KeyToPaint(QWidget& target, QWidget& painted) : m_view(target) { painted.installEventFilter(this); }

    void press(bool down)
    {
        m_sentNs = m_clock.nsecsElapsed();
        m_waiting = true;
        QCoreApplication::postEvent(&m_view, new QKeyEvent(QEvent::KeyPress, down ? Qt::Key_Down : Qt::Key_Up, {}));
        QCoreApplication::postEvent(&m_view, new QKeyEvent(QEvent::KeyRelease, down ? Qt::Key_Down : Qt::Key_Up, {}));
    }
    bool waiting() const { return m_waiting; }
    QList<double> latenciesMs() const
    {
        QMutexLocker lock(&m_mutex);
        return m_latencies;
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_waiting) {
            QMutexLocker lock(&m_mutex);
            m_latencies.append(static_cast<double>(m_clock.nsecsElapsed() - m_sentNs.load()) / 1e6);
            m_waiting = false;
        }
        return false;
    }

    QElapsedTimer m_clock;

private:
    QWidget& m_view;
    std::atomic<qint64> m_sentNs{0};
    std::atomic<bool> m_waiting{false};
    mutable QMutex m_mutex;
    QList<double> m_latencies;
};

// Counts the paints of each widget while the figures are taken: what the rounds and the key presses repaint.
// A scroll area's inner widgets count under the scroll area.
class PaintCounter : public QObject
{
public:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || !object->isWidgetType())
            return false;
        const QObject* owner = object;
        while (owner->parent() && (owner->objectName().isEmpty() || owner->objectName().startsWith(u"qt_")))
            owner = owner->parent();
        const QString where =
            owner == object ? QString() : QStringLiteral(" in ") + QLatin1String(owner->metaObject()->className());
        const QString key = QLatin1String(object->metaObject()->className()) + where;
        ++m_paints[key];
        for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
            m_pixels[key] += qint64(r.width()) * r.height();
        return false;
    }
    QMap<QString, int> m_paints;
    QMap<QString, qint64> m_pixels;
};

struct Program {
    BenchMessageBoxes boxes;
    FakeInputBox input;
    FakeFileDialogs dialogs;
    FakeClipboard clipboard;
    FakeSettingsStore settings; // the user's own settings stay untouched
    FakeProcessRunner runner;   // no online check
    FakeUrlOpener opener;
    SystemClock clock;
    FakeRandom random{0.5};
    FakeSpreadsheetLauncher spreadsheet;
    SystemPreciseClock echoClock;
    SystemRandom echoRandom;
    LinuxEchoService echo{echoClock, echoRandom};
    QtHostResolver resolver;
    FakeCommandRunner commands;
    MonitorSession session{SessionServices{echo, resolver, boxes, commands, clock}, withHistory()};
    MainWindow window{session,
                      Services{boxes, input, dialogs, clipboard, settings, runner, opener, clock, random, spreadsheet},
                      QCoreApplication::applicationDirPath()};

    static MonitorSession::Options withHistory()
    {
        MonitorSession::Options options;
        options.history = HistoryLimits{};
        return options;
    }
    HostListModel& hostList() { return session.hostList(); }
    Monitor& monitor() { return session.monitor(); }
    ResultsViewProxy& resultsView() { return *window.findChild<ResultsViewProxy*>(QStringLiteral("resultsViewProxy")); }
};

// CPU milliseconds of floor over the same hosts: the least one round of them can cost. One run of a few tens
// of milliseconds swings by a fifth on a shared machine, so the median of five.
double floorCpuMs(const QStringList& hosts)
{
    QTemporaryDir dir;
    QFile list(dir.filePath(QStringLiteral("hosts.txt")));
    if (!list.open(QIODevice::WriteOnly))
        return 0;
    list.write(hosts.join(QLatin1Char('\n')).toLatin1() + '\n');
    list.close();
    QList<double> runs;
    for (int i = 0; i < 5; ++i) {
        const double before = cpuMs(RUSAGE_CHILDREN);
        QProcess floor; // a bench: waiting here blocks nobody
        floor.start(QStringLiteral(VANTREL_FLOOR), {list.fileName()});
        if (!floor.waitForFinished(60000) || floor.exitCode() != 0)
            return 0;
        runs.append(cpuMs(RUSAGE_CHILDREN) - before);
    }
    std::sort(runs.begin(), runs.end());
    return runs.at(runs.size() / 2);
}

void waitRounds(Monitor& monitor, int rounds)
{
    int seen = 0;
    QEventLoop loop;
    auto c = QObject::connect(&monitor, &Monitor::roundFinished, &loop, [&] {
        if (++seen >= rounds)
            loop.quit();
    });
    loop.exec();
    QObject::disconnect(c);
}

int screenshot(Program& p, const QStringList& args)
{
    QStringList hosts = loopbackHosts(12);
    hosts.insert(3, QStringLiteral("bad..host"));
    hosts.insert(8, QStringLiteral("no.such.host.invalid"));
    hosts.append(QStringLiteral("printer..office"));
    p.window.startUp();
    p.hostList().append(hosts);
    if (args.contains(QStringLiteral("--maximized"))) {
        p.window.showMaximized();
        // Xvfb has no window manager to do the maximizing.
        p.window.setGeometry(p.window.screen()->availableGeometry());
    } else {
        p.window.show();
    }
    const int column = argument(args, QStringLiteral("--sort"), QStringLiteral("-1")).toInt();
    p.resultsView().setSort(column,
                            args.contains(QStringLiteral("--descending")) ? Qt::DescendingOrder : Qt::AscendingOrder);
    p.monitor().startWithInterval(1000);
    waitRounds(p.monitor(), argument(args, QStringLiteral("--rounds"), QStringLiteral("3")).toInt());
    QEventLoop settle; // time for the last outcomes to be painted
    QTimer::singleShot(600, &settle, &QEventLoop::quit);
    settle.exec();
    const QString file = argument(args, QStringLiteral("--screenshot"), QString());
    if (!p.window.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("%s: %dx%d\n", qPrintable(file), p.window.width(), p.window.height());
    return 0;
}

struct KeyRun {
    double cpuMs = 0;
    double systemMs = 0;
    long switches = 0;
    double wallMs = 0;
    QList<double> latenciesMs;
};

// For the given seconds: key presses at random moments, 40 to 120 ms apart, each after the last one was
// painted (or none), and what the whole process spent meanwhile.
KeyRun runKeys(QWidget& target, QWidget& painted, int seconds, bool press)
{
    target.setFocus();
    KeyToPaint probe(target, painted);
    probe.m_clock.start();
    std::atomic<bool> running{true};
    QThread* keys = QThread::create([&] {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> gap(40, 120);
        bool down = true;
        int pressed = 0;
        while (running) {
            QThread::msleep(static_cast<unsigned long>(gap(random)));
            if (probe.waiting())
                continue;
            probe.press(down);
            if (++pressed % 10 == 0)
                down = !down;
        }
    });
    KeyRun run;
    const double cpuStart = cpuMs();
    const double systemStart = systemCpuMs();
    const long switchesStart = contextSwitches();
    QElapsedTimer wall;
    wall.start();
    if (press)
        keys->start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    running = false;
    run.cpuMs = cpuMs() - cpuStart;
    run.systemMs = systemCpuMs() - systemStart;
    run.switches = contextSwitches() - switchesStart;
    run.wallMs = static_cast<double>(wall.elapsed());
    keys->wait();
    delete keys;
    run.latenciesMs = probe.latenciesMs();
    return run;
}

KeyRun runKeys(QTreeView& view, int seconds, bool press)
{
    view.setCurrentIndex(view.model()->index(5, 0));
    return runKeys(view, *view.viewport(), seconds, press);
}

// The least a repaint on a key press costs here: a widget that only fills the two rows the current row
// moved between.
class TwoRows : public QWidget
{
public:
    explicit TwoRows(int rowHeight) : m_rowHeight(rowHeight) { setFocusPolicy(Qt::StrongFocus); }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const int rows = std::max(1, height() / m_rowHeight);
        const int before = m_row;
        m_row = std::clamp(m_row + (event->key() == Qt::Key_Down ? 1 : -1), 0, rows - 1);
        update(0, before * m_rowHeight, width(), m_rowHeight);
        update(0, m_row * m_rowHeight, width(), m_rowHeight);
    }
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.fillRect(event->rect(), Qt::white);
        painter.fillRect(0, m_row * m_rowHeight, width(), m_rowHeight, palette().highlight());
    }

private:
    int m_rowHeight;
    int m_row = 0;
};

void printPerPress(const char* what, const KeyRun& run)
{
    const auto presses = static_cast<double>(run.latenciesMs.size());
    if (presses > 0)
        std::printf("%s: CPU per key press %.3f ms (%.3f in the kernel), %.1f context switches, p99 %.2f ms\n", what,
                    run.cpuMs / presses, run.systemMs / presses, static_cast<double>(run.switches) / presses,
                    percentile(run.latenciesMs, 0.99));
}

// A plain QTreeView, set up as the results view is, over a plain model holding what the results view shows.
std::unique_ptr<QTreeView> plainCopy(QTreeView& view, QStandardItemModel& copy)
{
    const QAbstractItemModel& shown = *view.model();
    copy.setColumnCount(shown.columnCount());
    copy.setRowCount(shown.rowCount());
    for (int column = 0; column < shown.columnCount(); ++column)
        copy.setHeaderData(column, Qt::Horizontal, shown.headerData(column, Qt::Horizontal));
    for (int row = 0; row < shown.rowCount(); ++row) {
        for (int column = 0; column < shown.columnCount(); ++column) {
            auto* item = new QStandardItem;
            const QMap<int, QVariant> roles = shown.itemData(shown.index(row, column));
            for (auto it = roles.cbegin(); it != roles.cend(); ++it)
                item->setData(it.value(), it.key());
            item->setEditable(false);
            copy.setItem(row, column, item);
        }
    }
    auto plain = std::make_unique<QTreeView>();
    plain->setModel(&copy);
    plain->setRootIsDecorated(false);
    plain->setItemsExpandable(false);
    plain->setUniformRowHeights(true);
    plain->setAllColumnsShowFocus(true);
    plain->setSelectionMode(view.selectionMode());
    plain->setSelectionBehavior(view.selectionBehavior());
    plain->setFont(view.font());
    plain->setPalette(view.palette());
    for (int column = 0; column < shown.columnCount(); ++column)
        plain->header()->resizeSection(column, view.header()->sectionSize(column));
    plain->resize(view.size());
    view.window()->hide();
    plain->show();
    return plain;
}

} // namespace

int main(int argc, char* argv[])
{
    LocalTimeZone::readOnce(); // as the program does
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    Program p;
    if (!p.echo.available()) {
        std::fprintf(stderr, "ICMP is not permitted here\n");
        return 77;
    }
    if (args.contains(QStringLiteral("--screenshot")))
        return screenshot(p, args);

    const int hosts = argument(args, QStringLiteral("--hosts"), QStringLiteral("10000")).toInt();
    const int pauseMs = argument(args, QStringLiteral("--pause-ms"), QStringLiteral("1000")).toInt();
    const int seconds = argument(args, QStringLiteral("--seconds"), QStringLiteral("20")).toInt();
    MainWindow& w = p.window;
    const QStringList list = loopbackHosts(hosts);
    const double floorMs = floorCpuMs(list);
    p.hostList().append(list);
    w.show();
    const int sortColumn =
        argument(args, QStringLiteral("--sort"), QString::number(int(ResultsModel::LastTime))).toInt();
    p.resultsView().setSort(sortColumn, Qt::AscendingOrder);
    auto* view = w.findChild<QTreeView*>(QStringLiteral("resultsView"));
    view->setFocus();
    int rounds = 0;
    qint64 roundMsSum = 0;
    QObject::connect(&p.monitor(), &Monitor::roundFinished, &w, [&](const RoundSummary& s) {
        ++rounds;
        roundMsSum += s.durationMs;
    });
    p.monitor().startWithInterval(pauseMs);
    waitRounds(p.monitor(), 2);
    const bool keysOnly = args.contains(QStringLiteral("--keys-only"));
    if (keysOnly)
        p.monitor().stop();
    rounds = 0;
    roundMsSum = 0;

    PaintCounter paints;
    app.installEventFilter(&paints);
    // Without keys the CPU share is the rounds' alone: the presses cost a repaint each, a dozen a second.
    const bool pressKeys = !args.contains(QStringLiteral("--no-keys"));
    const KeyRun run = runKeys(*view, seconds, pressKeys);
    app.removeEventFilter(&paints);
    const double cpu = run.cpuMs;
    const QList<double>& latencies = run.latenciesMs;
    std::printf("hosts %d, pause %d ms, sorted by \"%s\", %d s measured\n", hosts, pauseMs,
                qPrintable(p.session.results().headerData(sortColumn, Qt::Horizontal).toString()), seconds);
    std::printf("rounds %d, mean round %.0f ms, last order refresh %lld ms\n", rounds,
                rounds ? static_cast<double>(roundMsSum) / rounds : 0.0,
                static_cast<long long>(p.resultsView().lastRefreshMs()));
    std::printf("CPU %.1f %% of one core\n", 100.0 * cpu / run.wallMs);
    if (rounds > 0 && floorMs > 0)
        std::printf("CPU per round %.0f ms; the floor's %.0f ms: %.2fx\n", cpu / rounds, floorMs,
                    cpu / rounds / floorMs);
    if (keysOnly) {
        printPerPress("this window", run);
        // The same texts in Qt's own tree view with a plain model: what a key press costs Qt itself here.
        QStandardItemModel copy;
        std::unique_ptr<QTreeView> plain = plainCopy(*view, copy);
        const KeyRun plainRun = runKeys(*plain, seconds, true);
        printPerPress("Qt's own tree view over a copy of the texts", plainRun);
        TwoRows bare(view->sizeHintForRow(0));
        bare.resize(view->viewport()->size());
        plain->hide();
        bare.show();
        printPerPress("a widget that only fills the two rows", runKeys(bare, bare, seconds, true));
        if (plainRun.cpuMs > 0 && !run.latenciesMs.isEmpty() && !plainRun.latenciesMs.isEmpty())
            std::printf("per key press, this window / Qt's own view: %.2fx\n",
                        (run.cpuMs / static_cast<double>(run.latenciesMs.size())) /
                            (plainRun.cpuMs / static_cast<double>(plainRun.latenciesMs.size())));
    }
    if (pressKeys)
        std::printf("key press to paint: %lld samples, median %.2f ms, p99 %.2f ms, max %.2f ms\n",
                    static_cast<long long>(latencies.size()), percentile(latencies, 0.5), percentile(latencies, 0.99),
                    percentile(latencies, 1.0));
    for (auto it = paints.m_paints.cbegin(); it != paints.m_paints.cend(); ++it)
        std::printf("paints: %d %s, %.0f pixels each\n", it.value(), qPrintable(it.key()),
                    double(paints.m_pixels.value(it.key())) / it.value());
    p.monitor().stop();
    return p.boxes.shown() > 0 ? 1 : 0;
}
