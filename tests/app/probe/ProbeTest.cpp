#include "tests/app/probe/ProbeProcess.h"
#include "tests/fakes/CsvParser.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <csignal>

class ProbeTest : public QObject
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

    void linksNoDisplayLibrary()
    {
        QProcess ldd;
        ldd.start(QStringLiteral("ldd"), {QStringLiteral(VANTREL_PROBE)});
        QVERIFY(ldd.waitForFinished(10000));
        const QByteArray libraries = ldd.readAllStandardOutput();
        QVERIFY(libraries.contains("libQt6Core"));
        for (const char* display : {"libQt6Gui", "libQt6Widgets", "libGL", "libEGL", "libOpenGL", "libX11", "libxcb"})
            QVERIFY2(!libraries.contains(display), display);
    }

    void metricsEndpointServesOnlyMetrics_data()
    {
        QTest::addColumn<QByteArray>("verb");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::newRow("metrics") << QByteArray("GET") << QStringLiteral("/metrics") << 200;
        QTest::newRow("root") << QByteArray("GET") << QStringLiteral("/") << 404;
        QTest::newRow("below metrics") << QByteArray("GET") << QStringLiteral("/metrics/x") << 404;
        QTest::newRow("other path") << QByteArray("GET") << QStringLiteral("/favicon.ico") << 404;
        QTest::newRow("POST") << QByteArray("POST") << QStringLiteral("/metrics") << 405;
        QTest::newRow("DELETE") << QByteArray("DELETE") << QStringLiteral("/metrics") << 405;
        QTest::newRow("/probe without --probe-allow")
            << QByteArray("GET") << QStringLiteral("/probe?target=127.0.0.1") << 404;
    }
    void metricsEndpointServesOnlyMetrics()
    {
        QFETCH(QByteArray, verb);
        QFETCH(QString, path);
        QFETCH(int, status);
        ProbeProcess probe;
        QVERIFY2(probe.start({"--pause", "0.2", file("hosts.txt", "127.0.0.1\n127.0.0.2\n10.0.0.300\n")}),
                 probe.errorOutput().constData());
        QVERIFY(probe.waitForText("round 2:"));
        const HttpResult r = httpRequest(QStringLiteral("http://127.0.0.1:%1%2").arg(probe.port()).arg(path), verb);
        QCOMPARE(r.status, status);
        if (status == 200) {
            QVERIFY(r.contentType.startsWith("text/plain; version=0.0.4"));
            QCOMPARE(sampleValue(r.body, "vantrel_up{host=\"127.0.0.1\"}"), 1.0);
            QCOMPARE(sampleValue(r.body, "vantrel_up{host=\"10.0.0.300\"}"), 0.0);
            QCOMPARE(sampleValue(r.body, "vantrel_hosts"), 3.0);
            QVERIFY(sampleValue(r.body,
                                "vantrel_echo_failures_total{host=\"10.0.0.300\",reason=\"bad_destination\"}") >= 2);
            QVERIFY(promtoolAccepts(r.body));
        }
        QCOMPARE(probe.terminate(), 0);
    }

    // /probe as blackbox_exporter: a watched host from its results, a loopback address in the allowed prefix
    // pinged for the scrape. (What is refused sends nothing: ProbeEndpointTest, with a scripted engine.)
    void probeEndpointAnswersAsBlackboxExporter_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("status");
        QTest::addColumn<double>("success");
        QTest::newRow("watched") << "target=127.0.0.1&module=icmp" << 200 << 1.0;
        QTest::newRow("pinged") << "target=127.0.0.77&module=icmp" << 200 << 1.0;
        QTest::newRow("unknown module") << "target=127.0.0.77&module=tcp_connect" << 400 << -1.0;
    }
    void probeEndpointAnswersAsBlackboxExporter()
    {
        QFETCH(QString, query);
        ProbeProcess probe;
        QVERIFY(probe.start({"--pause", "0.2", "--probe-allow", "127.0.0.0/8", file("bb.txt", "127.0.0.1\n")}));
        QVERIFY(probe.waitForText("round 1:"));
        const HttpResult r = httpRequest(QStringLiteral("http://127.0.0.1:%1/probe?%2").arg(probe.port()).arg(query));
        QTEST(r.status, "status");
        if (r.status == 200) {
            QTEST(sampleValue(r.body, "probe_success"), "success");
            QCOMPARE(sampleValue(r.body, "probe_ip_protocol"), 4.0);
            QVERIFY(sampleValue(r.body, "probe_icmp_reply_hop_limit") > 0);
            QVERIFY(promtoolAccepts(r.body));
        }
        QCOMPARE(probe.terminate(), 0);
    }

    // smokeping_prober's names and labels, so its dashboards read the probe unchanged.
    void smokepingNamesForItsDashboards()
    {
        ProbeProcess probe;
        QVERIFY(
            probe.start({"--pause", "0.2", "--metrics-names", "smokeping", file("sp.txt", "127.0.0.1\n10.0.0.300\n")}));
        QVERIFY(probe.waitForText("round 2:"));
        const QByteArray body = metrics(probe);
        const QByteArray local = "{host=\"127.0.0.1\",ip=\"127.0.0.1\",source=\"\",tos=\"0\"";
        QVERIFY(sampleValue(body, "smokeping_requests_total" + local + '}') >= 2);
        QVERIFY(sampleValue(body, "smokeping_response_duration_seconds_bucket" + local + ",le=\"26.2144\"}") >= 2);
        QVERIFY(sampleValue(body, "smokeping_response_duration_seconds_bucket" + local + ",le=\"5e-05\"}") >= 0);
        QVERIFY(sampleValue(body, "smokeping_response_ttl" + local + '}') > 0);
        QCOMPARE(sampleValue(body, "smokeping_response_duplicates_total" + local + '}'), 0.0);
        QVERIFY(sampleValue(body, "smokeping_send_errors_total{host=\"10.0.0.300\",ip=\"\",source=\"\",tos=\"0\"}") >=
                2);
        QVERIFY(body.contains("\nsmokeping_receive_errors_total 0\n"));
        QVERIFY(!body.contains("vantrel_"));
        QVERIFY(promtoolAccepts(body));
        QCOMPARE(probe.terminate(), 0);
    }

    void unusableListenAddressExitsWithTwo_data()
    {
        QTest::addColumn<QString>("listen");
        QTest::newRow("not an address") << QStringLiteral("no.such.address:9427");
        QTest::newRow("no port") << QStringLiteral("127.0.0.1");
        QTest::newRow("port too big") << QStringLiteral("127.0.0.1:70000");
        QTest::newRow("taken") << QStringLiteral("127.0.0.1:%1");
    }
    void unusableListenAddressExitsWithTwo()
    {
        QFETCH(QString, listen);
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost));
        QProcess probe;
        probe.start(QStringLiteral(VANTREL_PROBE),
                    {"--metrics-listen", listen.contains(QLatin1String("%1")) ? listen.arg(taken.serverPort()) : listen,
                     "--rounds", "1", file("one.txt", "127.0.0.1\n")});
        QVERIFY(probe.waitForFinished(15000));
        QCOMPARE(probe.exitCode(), 2);
        QVERIFY(probe.readAllStandardError().startsWith("vantrel-probe: "));
    }

    void csvParsesIntoTwelveColumns()
    {
        QProcess probe;
        probe.start(QStringLiteral(VANTREL_PROBE),
                    {"--format", "csv", "--rounds", "2", "--pause", "0.1", file("csv.txt", "127.0.0.1\nx,\"y\"\n")});
        QVERIFY(probe.waitForFinished(15000));
        QCOMPARE(probe.exitCode(), 0);
        const auto records = parseCsv(QString::fromUtf8(probe.readAllStandardOutput()));
        QVERIFY(records);
        QCOMPARE(records->size(), 3);
        for (const QStringList& record : *records)
            QCOMPARE(record.size(), 12);
        QCOMPARE(records->at(1).mid(0, 3), (QStringList{"127.0.0.1", "127.0.0.1", "2"}));
        QCOMPARE(records->at(2).at(0), QStringLiteral("x,\"y\""));
    }

    void jsonLinesAfterEveryRound()
    {
        const QString output = m_dir.filePath(QStringLiteral("out.jsonl"));
        QProcess probe;
        probe.start(QStringLiteral(VANTREL_PROBE), {"--format", "jsonl", "--rounds", "3", "--pause", "0.1", "--output",
                                                    output, file("json.txt", "127.0.0.1\n10.0.0.300\n")});
        QVERIFY(probe.waitForFinished(15000));
        QCOMPARE(probe.exitCode(), 0);
        QFile f(output);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 3 * 2 + 1);
        for (int i = 0; i < 6; ++i) {
            QJsonParseError error;
            const QJsonObject o = QJsonDocument::fromJson(lines.at(i), &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            QCOMPARE(o.value("round").toInteger(), i / 2 + 1);
            QVERIFY(QDateTime::fromString(o.value("time").toString(), Qt::ISODateWithMs).isValid());
            const bool up = i % 2 == 0;
            QCOMPARE(o.value("host").toString(), up ? QStringLiteral("127.0.0.1") : QStringLiteral("10.0.0.300"));
            QCOMPARE(o.value(up ? "succeeded" : "failed").toInteger(), i / 2 + 1);
            QCOMPARE(o.value("status").toInteger(), up ? 0 : 11018);
            QCOMPARE(o.value("rtt_ms").isDouble(), up);
            QVERIFY(o.value("status_text").isString());
        }
    }

    // SIGHUP and POST /-/reload read the lists again alike.
    void reloadKeepsStayingHostsAndDropsRemovedOnes_data()
    {
        QTest::addColumn<bool>("byHttp");
        QTest::newRow("SIGHUP") << false;
        QTest::newRow("POST /-/reload") << true;
    }
    void reloadKeepsStayingHostsAndDropsRemovedOnes()
    {
        QFETCH(bool, byHttp);
        const QString list = file("live.txt", "127.0.0.1\n127.0.0.2\n");
        ProbeProcess probe;
        QVERIFY(probe.start({"--pause", "0.1", list}));
        QVERIFY(probe.waitForText("round 3:"));
        const QString base = QStringLiteral("http://127.0.0.1:%1/-/").arg(probe.port());
        QCOMPARE(httpRequest(base + "healthy").status, 200);
        QCOMPARE(httpRequest(base + "ready").status, 200);
        auto reload = [&] {
            if (byHttp)
                return httpRequest(base + "reload", "POST").status;
            probe.signal(SIGHUP);
            return 0;
        };
        const QByteArray before = metrics(probe);
        const double kept = sampleValue(before, "vantrel_echo_requests_total{host=\"127.0.0.1\"}");
        QVERIFY(kept >= 3);
        QVERIFY(sampleValue(before, "vantrel_up{host=\"127.0.0.2\"}") == 1);

        file("live.txt", "127.0.0.3\n127.0.0.1\n");
        QCOMPARE(reload(), byHttp ? 200 : 0);
        QVERIFY(probe.waitForText("list files read again: 1 hosts kept, 1 added, 1 removed"));
        const int rounds = static_cast<int>(probe.errorOutput().count("round "));
        QVERIFY(probe.waitForText(QStringLiteral("round %1:").arg(rounds + 2).toUtf8()));
        const QByteArray after = metrics(probe);
        const double stayed = sampleValue(after, "vantrel_echo_requests_total{host=\"127.0.0.1\"}");
        QVERIFY(stayed >= kept + 2);
        QVERIFY(!after.contains("host=\"127.0.0.2\""));
        const double fresh = sampleValue(after, "vantrel_echo_requests_total{host=\"127.0.0.3\"}");
        QVERIFY(fresh >= 1 && fresh < stayed);
        QCOMPARE(sampleValue(after, "vantrel_hosts"), 2.0);

        // A list that cannot be read leaves the hosts as they are.
        QFile::remove(list);
        QCOMPARE(reload(), byHttp ? 500 : 0);
        QVERIFY(probe.waitForText("the host list stays as it was"));
        QCOMPARE(probe.terminate(), 0);
    }

    // Values out of their range, and a web config that cannot protect the endpoint, end the run before anything
    // is sent or served.
    void refusedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("--count") << QStringList{"--count", "101"} << QByteArray("--count must be between 1 and 100");
        QTest::newRow("--interval") << QStringList{"--interval=0", "--count", "2"}
                                    << QByteArray("--interval must be between 1 and 60000 ms");
        QTest::newRow("--metrics-names") << QStringList{"--metrics-names", "blackbox"}
                                         << QByteArray("--metrics-names takes vantrel or smokeping");
        QTest::newRow("web config without metrics") << QStringList{"--web.config.file", "/nonexistent/web.yml"}
                                                    << QByteArray("--web.config.file needs --metrics-listen");
        QTest::newRow("web config missing")
            << QStringList{"--metrics-listen", "127.0.0.1:0", "--web.config.file", "/nonexistent/web.yml"}
            << QByteArray("--web.config.file /nonexistent/web.yml: ");
    }
    void refusedBeforeAnythingIsSent()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, message);
        QProcess probe;
        probe.start(QStringLiteral(VANTREL_PROBE),
                    arguments + QStringList{"--rounds", "1", file("one.txt", "127.0.0.1\n")});
        QVERIFY(probe.waitForFinished(15000));
        QCOMPARE(probe.exitCode(), 2);
        const QByteArray errors = probe.readAllStandardError();
        QVERIFY2(errors.contains(message), errors.constData());
    }

    void webConfigAsksForThePassword()
    {
        // bcrypt of "right", cost 4
        const QString web = file(
            "web.yml", "basic_auth_users:\n  alice: $2b$04$Su9A9el9BMyvBoypfuIULezw1zMJplAdQxCpYdfPnG08E23bhOBz2\n");
        ProbeProcess probe;
        QVERIFY2(probe.start({"--web.config.file", web, "--pause", "0.2", file("hosts.txt", "127.0.0.1\n")}),
                 probe.errorOutput().constData());
        QCOMPARE(httpRequest(QStringLiteral("http://127.0.0.1:%1/metrics").arg(probe.port())).status, 401);
        QNetworkAccessManager manager;
        QNetworkRequest request{QUrl(QStringLiteral("http://127.0.0.1:%1/metrics").arg(probe.port()))};
        request.setRawHeader("Authorization", "Basic " + QByteArray("alice:right").toBase64());
        QNetworkReply* reply = manager.get(request);
        QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 10000);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        QVERIFY(reply->readAll().contains("vantrel_hosts 1"));
        delete reply;
        QCOMPARE(probe.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(ProbeTest)
#include "ProbeTest.moc"
