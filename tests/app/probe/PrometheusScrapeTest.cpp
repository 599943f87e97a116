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

        QFile config(dir.filePath(QStringLiteral("prometheus.yml")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("global:\n"
                                    "  scrape_interval: 1s\n"
                                    "  evaluation_interval: 1s\n"
                                    "scrape_configs:\n"
                                    "  - job_name: vantrel\n"
                                    "    static_configs:\n"
                                    "      - targets: ['127.0.0.1:%1']\n")
                         .arg(probe.port())
                         .toUtf8());
        config.close();
        QTcpServer free; // a free port for Prometheus, given back just before it starts
        QVERIFY(free.listen(QHostAddress::LocalHost));
        const quint16 webPort = free.serverPort();
        free.close();
        QProcess server;
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start(prometheus, {"--config.file=" + config.fileName(),
                                  QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(webPort),
                                  "--storage.tsdb.path=" + dir.filePath(QStringLiteral("data"))});
        QVERIFY(server.waitForStarted());

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
};

QTEST_GUILESS_MAIN(PrometheusScrapeTest)
#include "PrometheusScrapeTest.moc"
