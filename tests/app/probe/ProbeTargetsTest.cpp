#include "tests/app/probe/ProbeProcess.h"

#include <QStandardPaths>
#include <QTemporaryDir>

namespace
{
// Every line of a sample (not a comment) that names a host.
QList<QByteArray> hostSamples(const QByteArray& metrics)
{
    QList<QByteArray> samples;
    for (const QByteArray& line : metrics.split('\n')) {
        if (!line.startsWith('#') && line.contains("host=\""))
            samples.append(line);
    }
    return samples;
}

// The metric family of a sample line: its name without a histogram's suffix.
QByteArray familyOf(const QByteArray& sample)
{
    QByteArray name = sample.left(sample.indexOf('{'));
    for (const char* suffix : {"_bucket", "_sum", "_count"}) {
        if (name.endsWith(suffix))
            name.chop(qstrlen(suffix));
    }
    return name;
}

// The rounds of one target group told on standard error so far.
int roundsOf(const QByteArray& errors, int line)
{
    return static_cast<int>(errors.count(QStringLiteral("(targets line %1)\n").arg(line).toUtf8()));
}
} // namespace

// vantrel-probe --config with real YAML files: groups with their own settings, intervals and labels, reloads
// that keep the targets that stay, and a broken file refused with its line.
class ProbeTargetsTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString file(const QString& name, const QByteArray& bytes)
    {
        QFile f(m_dir.filePath(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return f.fileName();
    }
    QByteArray metrics(const ProbeProcess& probe)
    {
        const HttpResult r = httpRequest(QStringLiteral("http://127.0.0.1:%1/metrics").arg(probe.port()));
        return r.status == 200 ? r.body : QByteArray();
    }
private Q_SLOTS:
    void initTestCase()
    {
        if (!canPing())
            QSKIP("ICMP is not permitted for this user here");
    }

    // The same host in two groups is two series told apart by their labels, and every per-host family of both
    // metric names carries the union of the label names, empty where a group has none.
    void labelsOnEveryMetricFamily_data()
    {
        QTest::addColumn<QString>("names");
        QTest::addColumn<QByteArray>("requests");
        QTest::addColumn<QByteArray>("ip");
        QTest::newRow("vantrel") << "vantrel" << QByteArray("vantrel_echo_requests_total{host=\"127.0.0.1\"")
                                 << QByteArray();
        QTest::newRow("smokeping") << "smokeping"
                                   << QByteArray("smokeping_requests_total{host=\"127.0.0.1\",ip=\"127.0.0.1\","
                                                 "source=\"\",tos=\"0\"")
                                   << QByteArray("ip=\"127.0.0.1\"");
    }
    void labelsOnEveryMetricFamily()
    {
        QFETCH(QString, names);
        QFETCH(QByteArray, requests);
        const QString config = file("labels.yml", "targets:\n"
                                                  "  - hosts: [127.0.0.1, 127.0.0.2]\n"
                                                  "    interval: 200ms\n"
                                                  "    labels: {site: fra1, role: core}\n"
                                                  "  - hosts: [127.0.0.1]\n"
                                                  "    interval: 300ms\n"
                                                  "    count: 2\n"
                                                  "    labels: {site: ams1}\n");
        ProbeProcess probe;
        QVERIFY2(probe.start({"--config", config, "--metrics-names", names}), probe.errorOutput().constData());
        QVERIFY(probe.waitForText("(targets line 2)\n"));
        QVERIFY(probe.waitForText("(targets line 5)\n"));
        const QByteArray core = ",role=\"core\",site=\"fra1\"}";
        const QByteArray ams = ",role=\"\",site=\"ams1\"}";
        QByteArray text;
        QVERIFY(QTest::qWaitFor(
            [&] {
                text = metrics(probe);
                return sampleValue(text, requests + core) >= 1 && sampleValue(text, requests + ams) >= 2;
            },
            15000));
        // The second group sends two echoes a round: its count is even whenever its rounds are in.
        QCOMPARE(int(sampleValue(text, requests + ams)) % 2, 0);
        QSet<QByteArray> families;
        for (const QByteArray& sample : hostSamples(text)) {
            const qsizetype labels = sample.indexOf(",role=\"");
            QVERIFY2(labels > 0, sample.constData());
            QVERIFY2(sample.mid(labels).startsWith(",role=\"core\",site=\"fra1\"") ||
                         sample.mid(labels).startsWith(",role=\"\",site=\"ams1\""),
                     sample.constData());
            families.insert(familyOf(sample));
        }
        QVERIFY(families.size() >= (names == QLatin1String("vantrel") ? 7 : 5));
        QVERIFY(promtoolAccepts(text));
        QCOMPARE(probe.terminate(), 0);
    }

    // Two groups at 100 ms and 1 s run side by side in the one probe, each at its own pace and with its own
    // count of echoes a round.
    void twoIntervalsAtTheirOwnPace()
    {
        const QString config = file("pace.yml", "targets:\n"
                                                "  - hosts: [127.0.0.1]\n"
                                                "    interval: 100ms\n"
                                                "    labels: {pace: fast}\n"
                                                "  - hosts: [127.0.0.2]\n"
                                                "    interval: 1s\n"
                                                "    count: 3\n"
                                                "    echo_interval: 10ms\n"
                                                "    labels: {pace: slow}\n");
        ProbeProcess probe;
        QVERIFY2(probe.start({"--config", config}), probe.errorOutput().constData());
        QVERIFY(QTest::qWaitFor([&] { return roundsOf(probe.errorOutput(), 5) >= 3; }, 15000));
        const QByteArray text = metrics(probe);
        const QByteArray errors = probe.errorOutput();
        const int slow = roundsOf(errors, 5);
        const int fast = roundsOf(errors, 2);
        // Ten fast rounds to a slow one when nothing is late; a busy machine still gives more than three.
        QVERIFY2(fast >= 3 * slow, errors.right(2000).constData());
        const double slowRequests = sampleValue(text, "vantrel_echo_requests_total{host=\"127.0.0.2\",pace=\"slow\"}");
        QVERIFY(slowRequests >= 3 * slow && int(slowRequests) % 3 == 0);
        QVERIFY(sampleValue(text, "vantrel_echo_requests_total{host=\"127.0.0.1\",pace=\"fast\"}") >= fast);
        QCOMPARE(probe.terminate(), 0);
    }

    // Reload by SIGHUP or POST /-/reload: a target that stays keeps its counters, a new one starts fresh, one
    // removed leaves the metrics; a host given other labels is another target. A broken file is refused with
    // its line, and the targets run on.
    void reloadKeepsStayingTargets_data()
    {
        QTest::addColumn<bool>("byHttp");
        QTest::newRow("SIGHUP") << false;
        QTest::newRow("POST /-/reload") << true;
    }
    void reloadKeepsStayingTargets()
    {
        QFETCH(bool, byHttp);
        const QByteArray group = "targets:\n  - hosts: [127.0.0.1, %1]\n    interval: 100ms\n    labels: {site: %2}\n";
        auto write = [&](const char* other, const char* site) {
            return file("live.yml", QString::fromLatin1(group).arg(QLatin1String(other), QLatin1String(site)).toUtf8());
        };
        const QString config = write("127.0.0.2", "a");
        ProbeProcess probe;
        QVERIFY(probe.start({"--config", config}));
        const QString base = QStringLiteral("http://127.0.0.1:%1/-/").arg(probe.port());
        QCOMPARE(httpRequest(base + "healthy").status, 200);
        QVERIFY(probe.waitForText("round 3:"));
        QCOMPARE(httpRequest(base + "ready").status, 200);
        auto reload = [&] {
            if (byHttp)
                return httpRequest(base + "reload", "POST");
            probe.signal(SIGHUP);
            return HttpResult{};
        };
        const QByteArray staying = "vantrel_echo_requests_total{host=\"127.0.0.1\",site=\"a\"}";
        const double kept = sampleValue(metrics(probe), staying);
        QVERIFY(kept >= 3);

        write("127.0.0.3", "a");
        QCOMPARE(reload().status, byHttp ? 200 : 0);
        QVERIFY(probe.waitForText("targets read again: 1 kept, 1 added, 1 removed"));
        QByteArray after;
        QVERIFY(QTest::qWaitFor(
            [&] {
                after = metrics(probe);
                return sampleValue(after, "vantrel_echo_requests_total{host=\"127.0.0.3\",site=\"a\"}") >= 2;
            },
            15000));
        QVERIFY(sampleValue(after, staying) >= kept + 2);
        QVERIFY(!after.contains("host=\"127.0.0.2\""));

        // Line 4 is broken: refused with the file and the line, and the targets go on.
        file("live.yml", "targets:\n  - hosts: [127.0.0.1]\n    interval: 100ms\n    colour: red\n");
        const HttpResult refused = reload();
        const QByteArray where = QFileInfo(config).fileName().toUtf8();
        QVERIFY(probe.waitForText(where + ":4: unknown key \"colour\""));
        QVERIFY(probe.waitForText("the targets stay as they were"));
        if (byHttp) {
            QCOMPARE(refused.status, 500);
            QVERIFY2(refused.body.contains(config.toUtf8() + ":4: unknown key"), refused.body.constData());
        }
        const double beforeRefusal = sampleValue(metrics(probe), staying);
        QVERIFY(QTest::qWaitFor([&] { return sampleValue(metrics(probe), staying) >= beforeRefusal + 2; }, 15000));

        // Other labels: another target, counted from the start.
        write("127.0.0.3", "b");
        static_cast<void>(reload());
        QVERIFY(probe.waitForText("targets read again: 0 kept, 2 added, 2 removed"));
        QVERIFY(QTest::qWaitFor([&] { return probe.errorOutput().count("round 2: 2 hosts") >= 2; }, 15000));
        after = metrics(probe);
        QVERIFY(!after.contains("site=\"a\""));
        QVERIFY(sampleValue(after, "vantrel_echo_requests_total{host=\"127.0.0.1\",site=\"b\"}") < beforeRefusal);
        QCOMPARE(httpRequest(base + "healthy").status, 200);
        QCOMPARE(probe.terminate(), 0);
    }

    // A bad target file at the start: exit status 2 and the file, its line and the reason.
    void badFileAtTheStart_data()
    {
        QTest::addColumn<QByteArray>("yaml");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("unknown key") << QByteArray("targets:\n  - hosts: [127.0.0.1]\n    colour: red\n")
                                     << QByteArray("bad.yml:3: unknown key \"colour\"");
        QTest::newRow("count out of range") << QByteArray("targets:\n  - hosts: [127.0.0.1]\n    count: 0\n")
                                            << QByteArray("bad.yml:3: count must be between 1 and 100");
        QTest::newRow("range too large") << QByteArray("targets:\n  - hosts: [10.0.0.0/8]\n")
                                         << QByteArray("bad.yml:2: ");
        QTest::newRow("no such source") << QByteArray("targets:\n  - hosts: [127.0.0.1]\n    source: 192.0.2.77\n")
                                        << QByteArray("bad.yml:2: ");
        QTest::newRow("quiet period already over")
            << QByteArray("targets:\n  - hosts: [127.0.0.1]\nsilences:\n  - 127.0.0.1@2000-01-01T00:00Z\n")
            << QByteArray("bad.yml:4: quiet period \"127.0.0.1@2000-01-01T00:00Z\"");
    }
    void badFileAtTheStart()
    {
        QFETCH(QByteArray, yaml);
        QFETCH(QByteArray, message);
        QProcess probe;
        probe.start(QStringLiteral(VANTREL_PROBE), {"--rounds", "1", "--config", file("bad.yml", yaml)});
        QVERIFY(probe.waitForFinished(15000));
        QCOMPARE(probe.exitCode(), 2);
        const QByteArray errors = probe.readAllStandardError();
        QVERIFY2(errors.contains(message), errors.constData());
        QVERIFY(!errors.contains("round "));
    }
};

QTEST_GUILESS_MAIN(ProbeTargetsTest)
#include "ProbeTargetsTest.moc"
