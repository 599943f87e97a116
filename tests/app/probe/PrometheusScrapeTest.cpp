#include "tests/app/probe/ProbeProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUrlQuery>

namespace
{
// Every PromQL query of the shipped dashboard, its variables set to "all" and Grafana's label_values() as the
// query it stands for.
QStringList dashboardQueries()
{
    QFile file(QStringLiteral(VANTREL_DASHBOARD));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject dashboard = QJsonDocument::fromJson(file.readAll()).object();
    QStringList queries;
    for (const QJsonValue& panel : dashboard.value("panels").toArray()) {
        for (const QJsonValue& target : panel.toObject().value("targets").toArray())
            queries.append(target.toObject().value("expr").toString());
    }
    static const QRegularExpression labelValues(QStringLiteral("^label_values\\((.*), *(\\w+)\\)$"));
    for (const QJsonValue& variable : dashboard.value("templating").toObject().value("list").toArray()) {
        const QString query = variable.toObject().value("query").toObject().value("query").toString();
        if (const QRegularExpressionMatch m = labelValues.match(query); m.hasMatch())
            queries.append(QStringLiteral("count by (%1) (%2)").arg(m.captured(2), m.captured(1)));
    }
    for (QString& query : queries) {
        query.replace(QLatin1String("$__rate_interval"), QLatin1String("5s"));
        for (const char* variable : {"$host", "$instance", "$job"})
            query.replace(QLatin1String(variable), QLatin1String(".*"));
    }
    return queries;
}

// Prometheus scraping the probe every second on loopback; its web port, or 0 when it does not start.
quint16 startPrometheus(const QString& prometheus, const QTemporaryDir& dir, quint16 probePort, QProcess& server)
{
    QFile config(dir.filePath(QStringLiteral("prometheus.yml")));
    if (!config.open(QIODevice::WriteOnly))
        return 0;
    config.write(QStringLiteral("global:\n"
                                "  scrape_interval: 1s\n"
                                "  evaluation_interval: 1s\n"
                                "scrape_configs:\n"
                                "  - job_name: vantrel\n"
                                "    static_configs:\n"
                                "      - targets: ['127.0.0.1:%1']\n")
                     .arg(probePort)
                     .toUtf8());
    config.close();
    QTcpServer free; // a free port for Prometheus, given back just before it starts
    if (!free.listen(QHostAddress::LocalHost))
        return 0;
    const quint16 webPort = free.serverPort();
    free.close();
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(prometheus, {"--config.file=" + config.fileName(),
                              QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(webPort),
                              "--storage.tsdb.path=" + dir.filePath(QStringLiteral("data"))});
    return server.waitForStarted() ? webPort : 0;
}
} // namespace

// A real Prometheus server scrapes the probe every second on loopback; vantrel_up comes back through its query
// API, and every query of the shipped dashboard returns data.
class PrometheusScrapeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void prometheusReadsUpBack()
    {
        const QString prometheus = QStandardPaths::findExecutable(QStringLiteral("prometheus"));
        if (prometheus.isEmpty())
            QSKIP("prometheus is not installed (Debian package prometheus)");
        if (!canPing())
            QSKIP("ICMP is not permitted for this user here");
        QTemporaryDir dir;
        QFile list(dir.filePath(QStringLiteral("hosts.txt")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("127.0.0.1\n10.0.0.300\n");
        list.close();
        ProbeProcess probe;
        QVERIFY(probe.start({"--pause", "0.5", list.fileName()}));

        QProcess server;
        const quint16 webPort = startPrometheus(prometheus, dir, probe.port(), server);
        QVERIFY(webPort != 0);

        const QString query = QStringLiteral("http://127.0.0.1:%1/api/v1/query?query=vantrel_up").arg(webPort);
        QJsonArray result;
        const bool answered = QTest::qWaitFor(
            [&] {
                const HttpResult r = httpRequest(query, "GET", 2000);
                result = QJsonDocument::fromJson(r.body).object().value("data").toObject().value("result").toArray();
                return result.size() == 2 || server.state() == QProcess::NotRunning;
            },
            60000);
        QVERIFY2(answered && result.size() == 2, server.readAll().right(2000).constData());
        QMap<QString, QString> upByHost;
        for (const QJsonValue& series : result) {
            const QJsonObject o = series.toObject();
            QCOMPARE(o.value("metric").toObject().value("job").toString(), QStringLiteral("vantrel"));
            upByHost.insert(o.value("metric").toObject().value("host").toString(),
                            o.value("value").toArray().at(1).toString());
        }
        QCOMPARE(upByHost.value(QStringLiteral("127.0.0.1")), QStringLiteral("1"));
        QCOMPARE(upByHost.value(QStringLiteral("10.0.0.300")), QStringLiteral("0"));

        const QStringList queries = dashboardQueries();
        QVERIFY(queries.size() >= 10);
        QString empty;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                empty.clear();
                for (const QString& q : queries) {
                    QUrl url(QStringLiteral("http://127.0.0.1:%1/api/v1/query").arg(webPort));
                    url.setQuery(QUrlQuery{{QStringLiteral("query"), q}});
                    const HttpResult r = httpRequest(url.toString(QUrl::FullyEncoded), "GET", 2000);
                    const QJsonObject data = QJsonDocument::fromJson(r.body).object().value("data").toObject();
                    if (data.value("result").toArray().isEmpty()) {
                        empty = q;
                        return false;
                    }
                }
                return true;
            },
            60000));
        QVERIFY2(empty.isEmpty(), qPrintable(QStringLiteral("no data for: ") + empty));

        server.terminate();
        QVERIFY(server.waitForFinished(30000));
        QCOMPARE(probe.terminate(), 0);
    }

    // A reload that keeps a target keeps its series: Prometheus, scraping every second across a SIGHUP and a
    // POST /-/reload, sees one series of vantrel_echo_requests_total that never goes down and misses no scrape.
    void reloadLeavesNoGap()
    {
        const QString prometheus = QStandardPaths::findExecutable(QStringLiteral("prometheus"));
        if (prometheus.isEmpty())
            QSKIP("prometheus is not installed (Debian package prometheus)");
        if (!canPing())
            QSKIP("ICMP is not permitted for this user here");
        QTemporaryDir dir;
        auto writeTargets = [&](const char* hosts) {
            QFile targets(dir.filePath(QStringLiteral("targets.yml")));
            QVERIFY(targets.open(QIODevice::WriteOnly | QIODevice::Truncate));
            targets.write(QByteArray("targets:\n  - hosts: [") + hosts +
                          "]\n    interval: 200ms\n    labels: {site: fra1}\n");
        };
        writeTargets("127.0.0.1, 127.0.0.2");
        ProbeProcess probe;
        QVERIFY(probe.start({"--config", dir.filePath(QStringLiteral("targets.yml"))}));
        QProcess server;
        const quint16 webPort = startPrometheus(prometheus, dir, probe.port(), server);
        QVERIFY(webPort != 0);
        const QString series = QStringLiteral("vantrel_echo_requests_total{host=\"127.0.0.1\",site=\"fra1\"}");
        auto samples = [&](const QString& range) {
            QUrl url(QStringLiteral("http://127.0.0.1:%1/api/v1/query").arg(webPort));
            url.setQuery(QUrlQuery{{QStringLiteral("query"), series + range}});
            const HttpResult r = httpRequest(url.toString(QUrl::FullyEncoded), "GET", 2000);
            return QJsonDocument::fromJson(r.body).object().value("data").toObject().value("result").toArray();
        };
        auto sampleCount = [&] {
            const QJsonArray result = samples(QStringLiteral("[5m]"));
            return result.isEmpty() ? 0 : int(result.at(0).toObject().value("values").toArray().size());
        };
        QVERIFY2(QTest::qWaitFor([&] { return sampleCount() >= 3; }, 60000), server.readAll().right(2000).constData());

        writeTargets("127.0.0.1, 127.0.0.3");
        probe.signal(SIGHUP);
        QVERIFY(probe.waitForText("targets read again: 1 kept, 1 added, 1 removed"));
        int atReload = sampleCount();
        QVERIFY(QTest::qWaitFor([&] { return sampleCount() >= atReload + 3; }, 30000));
        writeTargets("127.0.0.3, 127.0.0.1, 127.0.0.4");
        QCOMPARE(httpRequest(QStringLiteral("http://127.0.0.1:%1/-/reload").arg(probe.port()), "POST").status, 200);
        atReload = sampleCount();
        QVERIFY(QTest::qWaitFor([&] { return sampleCount() >= atReload + 3; }, 30000));

        const QJsonArray result = samples(QStringLiteral("[5m]"));
        QCOMPARE(result.size(), 1); // one series: its labels stayed
        const QJsonArray values = result.at(0).toObject().value("values").toArray();
        double lastTime = 0;
        double lastValue = -1;
        for (const QJsonValue& v : values) {
            const double time = v.toArray().at(0).toDouble();
            const double value = v.toArray().at(1).toString().toDouble();
            QVERIFY2(value >= lastValue, "the counter went down");
            // Scrapes every second: a missed one leaves two seconds between samples.
            QVERIFY2(lastTime == 0 || time - lastTime < 1.9, qPrintable(QStringLiteral("a gap at %1").arg(time)));
            lastTime = time;
            lastValue = value;
        }
        QUrl resets(QStringLiteral("http://127.0.0.1:%1/api/v1/query").arg(webPort));
        resets.setQuery(QUrlQuery{{QStringLiteral("query"), QStringLiteral("resets(%1[5m])").arg(series)}});
        const QJsonArray reset = QJsonDocument::fromJson(httpRequest(resets.toString(QUrl::FullyEncoded)).body)
                                     .object()
                                     .value("data")
                                     .toObject()
                                     .value("result")
                                     .toArray();
        QCOMPARE(reset.size(), 1);
        QCOMPARE(reset.at(0).toObject().value("value").toArray().at(1).toString(), QStringLiteral("0"));

        server.terminate();
        QVERIFY(server.waitForFinished(30000));
        QCOMPARE(probe.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(PrometheusScrapeTest)
#include "PrometheusScrapeTest.moc"
