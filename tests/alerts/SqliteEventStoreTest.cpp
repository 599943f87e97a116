#include "alerts/SqliteEventStore.h"

#include "alerts/EventRecorder.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/HostEventPrinter.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <numeric>

namespace
{
const QDateTime T0(QDate(2026, 3, 4), QTime(10, 0, 0));
constexpr int BatchSize = 20;

HostEvents batch(int number)
{
    HostEvents events;
    for (int j = 0; j < BatchSize; ++j)
        events << HostEvent{QStringLiteral("b%1-%2").arg(number).arg(j), j % 2 ? HostState::Up : HostState::Down,
                            T0.addSecs(number), j % 2 ? std::optional<qint64>(j) : std::nullopt,
                            QStringLiteral("Request timed out.")};
    return events;
}

// The child: writes batches until it is killed, and says which are committed.
int writeUntilKilled(const QString& path)
{
    SqliteEventStore store(path);
    QString error;
    if (!store.open(&error))
        return 3;
    for (int i = 0; i < 100000; ++i) {
        if (!store.append(batch(i), &error))
            return 4;
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
    return 0;
}

QString integrity(const QString& path)
{
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next())
                result = q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return result;
}

// A store at path holding batch(s) for each s, closed again.
void storeBatches(const QString& path, const QList<int>& starts)
{
    SqliteEventStore store(path);
    QVERIFY(store.open(nullptr));
    for (const int s : starts)
        QVERIFY(store.append(batch(s), nullptr));
}

void writeFile(const QString& path, const QByteArray& bytes, qint64 at = 0)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(at));
    f.write(bytes);
}
} // namespace

class SqliteEventStoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eventsSurviveReopeningAndPruning()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("deep/vantrel/events.sqlite"));
        storeBatches(path, {0, 100});
        SqliteEventStore store(path);
        QVERIFY(store.open(nullptr));
        const HostEvents all = store.newestFirst({}, 1000);
        QCOMPARE(all.size(), 2 * BatchSize);
        QCOMPARE(all.first().when, T0.addSecs(100));
        QCOMPARE(all.last().when, T0);
        QVERIFY(all.contains(batch(0).at(1))); // up, with its duration
        QCOMPARE(store.pruneBefore(T0.addSecs(50)), BatchSize);
        QCOMPARE(store.newestFirst({}, 1000).size(), BatchSize);
    }

    void killedWriterLosesNoCommittedEvent()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("events.sqlite"));
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--write-until-killed"), path});
        QVERIFY(child.waitForStarted(10000));
        int lastCommitted = -1;
        QByteArray pending;
        auto readLines = [&] {
            pending += child.readAllStandardOutput();
            qsizetype nl;
            while ((nl = pending.indexOf('\n')) >= 0) {
                lastCommitted = pending.left(nl).toInt();
                pending.remove(0, nl + 1);
            }
        };
        QVERIFY(QTest::qWaitFor(
            [&] {
                readLines();
                return lastCommitted >= 200;
            },
            30000));
        child.kill(); // SIGKILL, mid-stream
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        readLines();

        QCOMPARE(integrity(path), QStringLiteral("ok"));
        SqliteEventStore store(path);
        QVERIFY(store.open(nullptr));
        const HostEvents stored = store.newestFirst({}, 10000000);
        QSet<QString> hosts;
        for (const HostEvent& e : stored)
            hosts.insert(e.host);
        for (int i = 0; i <= lastCommitted; ++i)
            for (const HostEvent& e : batch(i))
                QVERIFY2(hosts.contains(e.host), qPrintable(e.host));
        QVERIFY(stored.size() % BatchSize == 0); // no half batch
    }

    void damagedFileGivesOneMessageAndEventsFlowOn_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("not a database") << "text";
        QTest::newRow("pages overwritten") << "pages";
        QTest::newRow("a folder in its place") << "folder";
    }
    void damagedFileGivesOneMessageAndEventsFlowOn()
    {
        QFETCH(QString, damage);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("events.sqlite"));
        if (damage == QLatin1String("text")) {
            writeFile(path, QByteArray("IP Addresses=1.2.3.4\n").repeated(300));
        } else if (damage == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QList<int> starts(50);
            std::iota(starts.begin(), starts.end(), 0);
            storeBatches(path, starts);
            writeFile(path, QByteArray(8192, '\x5a'), 4096);
        }
        FakeClock clock;
        EventRecorder recorder(std::make_unique<SqliteEventStore>(path), clock, 90);
        QSignalSpy unavailable(&recorder, &EventRecorder::unavailable);
        QSignalSpy recorded(&recorder, &EventRecorder::recorded);
        recorder.start();
        recorder.record(batch(1));
        recorder.record(batch(2));
        QTRY_COMPARE(recorded.size(), 2);
        QTRY_COMPARE(unavailable.size(), 1);
        QVERIFY2(unavailable.at(0).at(0).toString().startsWith(QStringLiteral("The outage log ")),
                 qPrintable(unavailable.at(0).at(0).toString()));
        QVERIFY(unavailable.at(0).at(0).toString().endsWith(QStringLiteral("Monitoring goes on without it.")));
        QCOMPARE(recorded.at(1).at(0).value<HostEvents>(), batch(2));
    }

    void recorderCommitsThenHandsOnAndPrunesOldEvents()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("events.sqlite"));
        storeBatches(path, {0}); // older than 90 days by then
        FakeClock clock;
        clock.current = T0.addDays(90).addSecs(1);
        {
            EventRecorder recorder(std::make_unique<SqliteEventStore>(path), clock, 90);
            QSignalSpy recorded(&recorder, &EventRecorder::recorded);
            QSignalSpy loaded(&recorder, &EventRecorder::loaded);
            recorder.start();
            recorder.record(batch(1));
            QTRY_COMPARE(recorded.size(), 1);
            recorder.load({}, 1000);
            QTRY_COMPARE(loaded.size(), 1);
            HostEvents newestFirst = batch(1);
            std::reverse(newestFirst.begin(), newestFirst.end());          // one time: the last written first
            QCOMPARE(loaded.at(0).at(0).value<HostEvents>(), newestFirst); // batch(0) pruned at the start
            recorder.record(HostEvents{batch(3).first()});
            recorder.record(HostEvents{batch(4).first()});
        } // leaving: the waiting events are written first
        SqliteEventStore store(path);
        QVERIFY(store.open(nullptr));
        QCOMPARE(store.newestFirst({}, 1000).size(), BatchSize + 2);
    }

    // A shorter period chosen in the settings applies at once, not after a restart.
    void shorterKeepingPrunesAtOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("events.sqlite"));
        storeBatches(path, {0});
        FakeClock clock;
        clock.current = T0.addDays(10);
        EventRecorder recorder(std::make_unique<SqliteEventStore>(path), clock, 90);
        QSignalSpy loaded(&recorder, &EventRecorder::loaded);
        recorder.start();
        recorder.load({}, 1000);
        QTRY_COMPARE(loaded.size(), 1);
        QCOMPARE(loaded.at(0).at(0).value<HostEvents>().size(), BatchSize);
        recorder.setKeepDays(5);
        recorder.load({}, 1000);
        QTRY_COMPARE(loaded.size(), 2);
        QVERIFY(loaded.at(1).at(0).value<HostEvents>().isEmpty());
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--write-until-killed") == 0)
        return writeUntilKilled(QString::fromLocal8Bit(argv[2]));
    SqliteEventStoreTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "SqliteEventStoreTest.moc"
