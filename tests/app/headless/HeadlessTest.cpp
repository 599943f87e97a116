#include "app/headless/HeadlessOptions.h"
#include "app/headless/HeadlessRun.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakeCommandRunner.h"
#include "tests/fakes/FakeEchoService.h"
#include "tests/fakes/FakeHostResolver.h"
#include "tests/fakes/FakeMessageBoxes.h"
#include "tests/fakes/FakeRandom.h"
#include "tests/fakes/PingPermission.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <unistd.h>

namespace
{
const QString Program = QStringLiteral(VANTREL_PROGRAM);

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QStringList& arguments, int timeoutMs = 30000, const QStringList& prefix = {},
        const QString& program = Program)
{
    QProcess process;
    process.setProgram(prefix.isEmpty() ? program : prefix.first());
    process.setArguments(prefix.isEmpty() ? arguments : prefix.mid(1) + QStringList{program} + arguments);
    if (program != Program)
        process.setWorkingDirectory(QFileInfo(program).path()); // one that user can enter
    process.start();
    Run r;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return r;
    }
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

QList<QStringList> cells(const QByteArray& text)
{
    QList<QStringList> rows;
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty())
            continue;
        QStringList row;
        for (const QByteArray& cell : line.chopped(1).split('\t'))
            row.append(QString::fromUtf8(cell).trimmed());
        row.removeLast(); // after the last TAB
        rows.append(row);
    }
    return rows;
}
} // namespace

class HeadlessTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString file(const char* name, const QByteArray& bytes)
    {
        QFile f(m_dir.filePath(QString::fromLatin1(name)));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }

private Q_SLOTS:
    void optionsParse()
    {
        const HeadlessOptions o = HeadlessOptions::parse(
            {"--headless", "--pause", "2.5", "--rounds", "4", "--output", "out.txt", "a.txt", "--", "--b.txt"});
        QVERIFY2(o.error.isEmpty(), qPrintable(o.error));
        QCOMPARE(o.intervalMs, 2500);
        QCOMPARE(o.rounds.value_or(0), 4);
        QCOMPARE(o.output, QStringLiteral("out.txt"));
        QCOMPARE(o.listFiles, (QStringList{"a.txt", "--b.txt"}));
        QCOMPARE(o.family, IpFamily::Unspecified);
        QCOMPARE(HeadlessOptions::parse({"--headless", "--ipv6", "a.txt"}).family, IpFamily::IPv6);
        QCOMPARE(HeadlessOptions::parse({"--ipv4", "--headless", "--ipv4", "a.txt"}).family, IpFamily::IPv4);
        QVERIFY(HeadlessOptions::wantsHeadless({"x", "--headless"}));
        QVERIFY(!HeadlessOptions::wantsHeadless({"--", "--headless"}));
    }

    void listenAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("port");
        QTest::newRow("IPv4") << "0.0.0.0:9427" << true << "0.0.0.0" << 9427;
        QTest::newRow("IPv6") << "[::1]:80" << true << "::1" << 80;
        QTest::newRow("port only: loopback") << ":0" << true << "127.0.0.1" << 0;
        QTest::newRow("IPv6 without brackets") << "::1:80" << false << "" << 0;
        QTest::newRow("no port") << "127.0.0.1" << false << "" << 0;
        QTest::newRow("port too big") << "127.0.0.1:65536" << false << "" << 0;
        QTest::newRow("port not a number") << "127.0.0.1:http" << false << "" << 0;
    }
    void listenAddresses()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QString, address);
        QFETCH(int, port);
        QString parsedAddress;
        quint16 parsedPort = 0;
        QCOMPARE(HeadlessOptions::parseListen(text, parsedAddress, parsedPort), ok);
        if (ok) {
            QCOMPARE(parsedAddress, address);
            QCOMPARE(int(parsedPort), port);
        }
        const HeadlessOptions probe =
            HeadlessOptions::parse({"--metrics-listen", text, "--format", "jsonl", "l"}, true);
        QCOMPARE(probe.error.isEmpty(), ok);
        QCOMPARE(probe.format, HeadlessOptions::Format::JsonLines);
    }

    void badArgumentsExitWithTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("no list file") << QStringList{"--headless"} << "name at least one list file";
        QTest::newRow("zero pause") << QStringList{"--headless", "--pause", "0", "l"} << "86400";
        QTest::newRow("letters for rounds") << QStringList{"--headless", "--rounds", "x", "l"} << "--rounds";
        QTest::newRow("missing value") << QStringList{"--headless", "l", "--output"} << "needs a value";
        QTest::newRow("unknown option") << QStringList{"--headless", "--fast", "l"} << "unknown option --fast";
        QTest::newRow("both families") << QStringList{"--headless", "--ipv4", "--ipv6", "l"} << "exclude each other";
        QTest::newRow("unknown format") << QStringList{"--headless", "--format", "xml", "l"} << "--format takes";
        QTest::newRow("missing list file") << QStringList{"--headless", "/nonexistent/list.txt"} << "not found";
        QTest::newRow("statistics in a workbook")
            << QStringList{"--headless", "--stats", "--output", "r.XLSX", "l"} << "--stats writes text";
    }
    void badArgumentsExitWithTwo()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Run r = run(arguments);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(message.toUtf8()), r.err.constData());
        QVERIFY(r.out.isEmpty());
    }

    void unusableOutputOrListExitsWithTwo()
    {
        const QString list = file("list.txt", "127.0.0.1\n");
        QCOMPARE(run({"--headless", "--output", m_dir.path(), list}).exitCode, 2);
        QCOMPARE(run({"--headless", "--output", m_dir.filePath(QStringLiteral("no/such/folder.txt")), list}).exitCode,
                 2);
        QCOMPARE(run({"--headless", m_dir.path()}).exitCode, 2); // a folder as list file
        QCOMPARE(run({"--headless", file("empty.txt", "")}).exitCode, 2);
    }

    void rangesInListFiles()
    {
        // Without ICMP the run ends with status 3 before it reads the lists.
        if (!canPing())
            QSKIP("ICMP is not permitted for this user here");
        const QString wide = file("wide.txt", "127.0.0.1\n10.0.0.0/8\n");
        const Run refused = run({"--headless", wide});
        QCOMPARE(refused.exitCode, 2);
        const QString message = QStringLiteral("cannot read list file %1: line 2: 10.0.0.0/8 has 16,777,214 addresses; "
                                               "at most 65,536 can come from one range");
        QVERIFY2(refused.err.contains(message.arg(wide).toUtf8()), refused.err.constData());
        QVERIFY(refused.out.isEmpty());

        const Run r = run({"--headless", "--rounds", "1", file("range.txt", "127.0.0.0/30\n")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.contains("round 1: 2 hosts, 2 succeeded, 0 failed"), r.err.constData());
        const QList<QStringList> rows = cells(r.out);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(1).first(), QStringLiteral("127.0.0.1"));
        QCOMPARE(rows.at(2).first(), QStringLiteral("127.0.0.2"));
    }

    void helpVersionAndStrayArguments()
    {
        const Run help = run({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.startsWith("Usage: vantrel"));
        const Run version = run({"--version"});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.startsWith("vantrel "));
        qputenv("QT_QPA_PLATFORM", "offscreen");
        const Run stray = run({"stray"});
        QCOMPARE(stray.exitCode, 2);
        QVERIFY(stray.err.contains("unknown argument stray"));
    }

    // 100 echoes at 200 a second take half a second however fast the kernel takes them.
    void rateSpreadsTheRound()
    {
        if (!canPing())
            QSKIP("ICMP is not permitted for this user here");
        QByteArray hosts;
        for (int i = 1; i <= 100; ++i)
            hosts += "127.0.3." + QByteArray::number(i) + '\n';
        const Run r = run({"--headless", "--rounds", "1", "--rate", "200", file("rate.txt", hosts)});
        QCOMPARE(r.exitCode, 0);
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("round 1: 100 hosts, 100 succeeded, 0 failed, (\\d+) ms"))
                .match(QString::fromUtf8(r.err));
        QVERIFY2(m.hasMatch(), r.err.constData());
        const int ms = m.captured(1).toInt();
        QVERIFY2(ms >= 450 && ms < 5000, qPrintable(QString::number(ms)));
    }

    void roundsOverLoopbackWriteTheTable()
    {
        if (!canPing())
            QSKIP("ICMP is not permitted for this user here");
        const QString list = file("hosts.txt", "127.0.0.1\r\n127.0.0.2\r\n10.0.0.300\r\n");
        const Run r = run({"--headless", "--rounds", "2", "--pause", "0.1", list});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err.count("round "), 2);
        QVERIFY2(r.err.contains("round 2: 3 hosts, 2 succeeded, 1 failed"), r.err.constData());

        // Byte for byte: every line pads each cell to its column and ends in TAB, CR LF.
        QVERIFY(r.out.endsWith("\t\r\n"));
        const QList<QStringList> table = cells(r.out);
        QCOMPARE(table.size(), 4);
        QCOMPARE(table.at(0).size(), 12);
        QCOMPARE(table.at(0).at(0), QStringLiteral("Host Name/IP"));
        for (const QByteArray& line : r.out.split('\n').mid(0, 4))
            QCOMPARE(line.size(), r.out.split('\n').first().size());
        const QStringList local = table.at(1);
        QCOMPARE(local.mid(0, 6), (QStringList{"127.0.0.1", "127.0.0.1", "2", "0", "0.00%", "Success"}));
        QCOMPARE(local.at(7), QStringLiteral("64"));
        QVERIFY(!local.at(10).isEmpty());
        QVERIFY(local.at(11).isEmpty());
        QCOMPARE(table.at(2).at(1), QStringLiteral("127.0.0.2"));
        const QStringList bad = table.at(3);
        QCOMPARE(bad.mid(0, 5), (QStringList{"10.0.0.300", "", "0", "2", "100.00%"}));
        QVERIFY(!bad.at(11).isEmpty());
    }

    void statisticsTableFollowsTheResults()
    {
        if (!canPing())
            QSKIP("ICMP is not permitted for this user here");
        const QString list = file("stats.txt", "127.0.0.1\n10.0.0.300");
        const QString out = m_dir.filePath(QStringLiteral("stats-out.txt"));
        const Run r = run({"--headless", "--rounds", "3", "--pause", "0.1", "--stats", "--output", out, list});
        QCOMPARE(r.exitCode, 0);
        QFile written(out);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray text = written.readAll();
        const qsizetype gap = text.indexOf("\r\n\r\n");
        QVERIFY(gap > 0);
        QCOMPARE(cells(text.left(gap + 2)).size(), 3); // the results table as before
        const QByteArray second = text.mid(gap + 4);
        const QList<QStringList> table = cells(second);
        QCOMPARE(table.size(), 3);
        QCOMPARE(table.at(0), (QStringList{"Host Name/IP", "Min (ms)", "Max (ms)", "Mean (ms)", "Median (ms)",
                                           "95th Percentile (ms)", "Jitter (ms)", "% Loss", "Std Dev (ms)", "Late",
                                           "Duplicates", "MOS"}));
        QCOMPARE(table.at(1).at(0), QStringLiteral("127.0.0.1"));
        // Microseconds kept: loopback answers in well under a millisecond, yet not in none.
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d{3}$")).match(table.at(1).at(3)).hasMatch());
        QVERIFY2(table.at(1).at(3) != QLatin1String("0.000"), qPrintable(table.at(1).at(3)));
        QCOMPARE(table.at(1).at(7), QStringLiteral("0.00%"));
        QCOMPARE(table.at(1).mid(9, 2), (QStringList{"0", "0"}));
        QVERIFY(QRegularExpression(QStringLiteral("^4\\.\\d\\d$")).match(table.at(1).at(11)).hasMatch());
        QCOMPARE(table.at(2), (QStringList{"10.0.0.300", "", "", "", "", "", "", "100.00%", "", "0", "0", "1.00"}));
        for (const QByteArray& line : second.split('\n').mid(0, 3)) // aligned: all lines as long
            QCOMPARE(line.size(), second.split('\n').first().size());
    }

    void stateChangesGoToStderrAndTheHook()
    {
        if (!canPing())
            QSKIP("ICMP is not permitted for this user here");
        const QString list = file("changes.txt", "127.0.0.1\r\n10.0.0.300\r\n");
        const QString hookLog = m_dir.filePath(QStringLiteral("hook.log"));
        const QString hook =
            QStringLiteral("sh -c 'echo \"$VANTREL_HOST|$VANTREL_STATE|$VANTREL_DURATION_S|$VANTREL_STATUS\" "
                           ">>\"$0\"' %1")
                .arg(hookLog);
        const Run r =
            run({"--headless", "--rounds", "3", "--pause", "0.1", "--down-after", "2", "--on-change", hook, list});
        QCOMPARE(r.exitCode, 0);
        // The address that answers raises nothing; the bad one is down from its first failure on.
        QCOMPARE(r.err.count(" down "), 1);
        QCOMPARE(r.err.count(" up "), 0);
        QVERIFY2(r.err.contains(" down 10.0.0.300 ("), r.err.constData());
        QFile log(hookLog);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray lines = log.readAll();
        QVERIFY2(lines.startsWith("10.0.0.300|down||") && lines.count('\n') == 1, lines.constData());
    }

    void workbookOutput()
    {
        if (!canPing())
            QSKIP("ICMP is not permitted for this user here");
        const QString out = m_dir.filePath(QStringLiteral("results.xlsx"));
        const Run r = run({"--headless", "--rounds", "1", "--output", out, file("one.txt", "127.0.0.1")});
        QCOMPARE(r.exitCode, 0);
        QFile workbook(out);
        QVERIFY(workbook.open(QIODevice::ReadOnly));
        QVERIFY(workbook.read(2) == "PK");
    }

    void sigtermStillWritesTheOutput()
    {
        if (!canPing())
            QSKIP("ICMP is not permitted for this user here");
        const QString out = m_dir.filePath(QStringLiteral("term.txt"));
        QProcess process;
        process.start(Program, {"--headless", "--pause", "0.2", "--output", out, file("t.txt", "127.0.0.1")});
        QVERIFY(process.waitForStarted());
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += process.readAllStandardError()).contains("round 2:"), 20000);
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QFile text(out);
        QVERIFY(text.open(QIODevice::ReadOnly));
        const QList<QStringList> table = cells(text.readAll());
        QCOMPARE(table.size(), 2);
        QVERIFY(table.at(1).at(2).toInt() >= 2);
    }

    void noPermissionExitsWithThree()
    {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("needs root to run the program without CAP_NET_RAW");
        if (datagramIcmpOpenTo(65534)) // nobody's group
            QSKIP("the datagram ICMP socket is open to everybody here");
        // The checkout may sit below a folder that user cannot enter (a home folder, a private temporary
        // folder), so the program and its list go to a folder everybody can reach; Qt is a system library.
        QTemporaryDir open(QStringLiteral("/tmp/vantrel-nobody-XXXXXX"));
        QVERIFY(open.isValid());
        const auto everybody = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                               QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(open.path(), everybody));
        const QString program = open.filePath(QStringLiteral("vantrel"));
        QVERIFY(QFile::copy(Program, program));
        QVERIFY(QFile::setPermissions(program, everybody));
        QFile list(open.filePath(QStringLiteral("p.txt")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("127.0.0.1\n");
        list.close();
        QVERIFY(list.setPermissions(list.permissions() | QFile::ReadOther));
        const Run r = run(
            {"--headless", "--rounds", "1", list.fileName()}, 30000,
            {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--inh-caps=-all", "--bounding-set=-all"},
            program);
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.err.contains("cap_net_raw"), r.err.constData());
    }

    // A name looked up to another address than the round before: one line on standard error, in the style of
    // the up and down lines, and the host stays one row.
    void movedNameIsOneLine()
    {
        FakeEchoService echo;
        FakeHostResolver resolver;
        FakeMessageBoxes boxes;
        FakeCommandRunner commands;
        resolver.table.insert(QStringLiteral("moving.lab"), QStringLiteral("127.0.0.9"));
        echo.onRequest = [&](int n) {
            if (n == 1) // looked up elsewhere from the second round on
                resolver.table.insert(QStringLiteral("moving.lab"), QStringLiteral("127.0.0.10"));
            QTimer::singleShot(0, [&echo] {
                echo.answerAll([](const QString&) { return FakeEchoService::success(0x7f000009, 1, 64); });
            });
        };
        const HeadlessOptions options =
            HeadlessOptions::parse({"--headless", "--pause", "0.05", "--rounds", "3", "--output",
                                    m_dir.filePath("moved.txt"), file("moving.txt", "moving.lab\n")});
        QVERIFY2(options.error.isEmpty(), qPrintable(options.error));
        QTemporaryFile errors;
        QVERIFY(errors.open());
        std::fflush(stderr);
        const int saved = ::dup(2);
        ::dup2(errors.handle(), 2);
        {
            FakeClock clock;
            FakeRandom random;
            HeadlessRun headless(options, echo, resolver, boxes, commands, clock, random);
            QSignalSpy finished(&headless, &HeadlessRun::finished);
            QVERIFY(headless.start());
            QVERIFY(finished.wait(10000));
        }
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        errors.seek(0);
        const QByteArray text = errors.readAll();
        static const QRegularExpression moved(
            QStringLiteral(
                "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\S* moved moving.lab \\(127.0.0.9 -> 127.0.0.10\\)$"),
            QRegularExpression::MultilineOption);
        QCOMPARE(QString::fromUtf8(text).count(moved), 1);
        QCOMPARE(text.count("round "), 3);
    }
};

QTEST_GUILESS_MAIN(HeadlessTest)
#include "HeadlessTest.moc"
