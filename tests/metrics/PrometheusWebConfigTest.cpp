#include "metrics/MetricsServer.h"
#include "metrics/WebConfig.h"
#include "tests/metrics/BcryptHash.h"
#include "tests/metrics/TestCertificates.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScopeGuard>
#include <QTcpServer>
#include <QtTest>

namespace
{
// A GET to Prometheus' own HTTP API on loopback; the JSON "data" of its answer, empty when none came in time.
QJsonValue prometheusData(quint16 port, const QString& pathAndQuery)
{
    QNetworkAccessManager manager;
    QNetworkReply* reply =
        manager.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(pathAndQuery))));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    loop.exec();
    const QJsonValue data =
        reply->isFinished() ? QJsonDocument::fromJson(reply->readAll()).object().value("data") : QJsonValue();
    delete reply;
    return data;
}
} // namespace

// A real Prometheus scrapes the metrics endpoint over TLS with a client certificate and basic auth, as the web
// config's README example sets it up: the job with the right password is up, the one with a wrong password
// is down because the endpoint answered 401.
class PrometheusWebConfigTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void prometheusScrapesOverTlsWithBasicAuth()
    {
        const QString prometheus = QStandardPaths::findExecutable(QStringLiteral("prometheus"));
        if (prometheus.isEmpty())
            QSKIP("prometheus is not installed (Debian package prometheus)");
        if (!TestCertificates::opensslInstalled())
            QSKIP("openssl is not installed (Debian package openssl)");
        TestCertificates certificates;
        QVERIFY2(certificates.make(), qPrintable(certificates.error()));

        QFile web(certificates.path(QStringLiteral("web.yml")));
        QVERIFY(web.open(QIODevice::WriteOnly));
        web.write("tls_server_config:\n"
                  "  cert_file: server.pem\n"
                  "  key_file: server.key\n"
                  "  client_auth_type: RequireAndVerifyClientCert\n"
                  "  client_ca_file: ca.pem\n"
                  "basic_auth_users:\n"
                  "  prometheus: " +
                  bcryptHash("scrape-secret", "$2y$", 10) + "\n");
        web.close();
        QString error;
        const std::optional<WebConfig> config = WebConfig::load(web.fileName(), &error);
        QVERIFY2(config, qPrintable(error));
        MetricsServer server([] { return QByteArray("# TYPE vantrel_test gauge\nvantrel_test 1\n"); });
        server.setWebConfig(*config);
        const quint16 port = server.listenOn(QHostAddress::LocalHost, 0);
        QVERIFY(port != 0);

        QByteArray jobs;
        for (const char* job : {"right", "wrong"}) {
            jobs += QStringLiteral("  - job_name: %1\n"
                                   "    scheme: https\n"
                                   "    tls_config:\n"
                                   "      ca_file: %2\n"
                                   "      cert_file: %3\n"
                                   "      key_file: %4\n"
                                   "    basic_auth:\n"
                                   "      username: prometheus\n"
                                   "      password: %5\n"
                                   "    static_configs:\n"
                                   "      - targets: ['127.0.0.1:%6']\n")
                        .arg(QLatin1String(job), certificates.path("ca.pem"), certificates.path("client.pem"),
                             certificates.path("client.key"),
                             qstrcmp(job, "right") == 0 ? QStringLiteral("scrape-secret") : QStringLiteral("guess"))
                        .arg(port)
                        .toUtf8();
        }
        QFile scrapeConfig(certificates.path(QStringLiteral("prometheus.yml")));
        QVERIFY(scrapeConfig.open(QIODevice::WriteOnly));
        scrapeConfig.write("global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\nscrape_configs:\n" + jobs);
        scrapeConfig.close();

        QTcpServer free; // a free port for Prometheus, given back just before it starts
        QVERIFY(free.listen(QHostAddress::LocalHost));
        const quint16 webPort = free.serverPort();
        free.close();
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(prometheus, {"--config.file=" + scrapeConfig.fileName(),
                                   QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(webPort),
                                   "--storage.tsdb.path=" + certificates.path(QStringLiteral("data"))});
        QVERIFY(process.waitForStarted());
        const auto stop = qScopeGuard([&] {
            process.terminate();
            if (!process.waitForFinished(30000))
                process.kill();
        });

        QMap<QString, QString> upByJob;
        const bool answered = QTest::qWaitFor(
            [&] {
                upByJob.clear();
                for (const QJsonValue& series : prometheusData(webPort, "/api/v1/query?query=up")["result"].toArray())
                    upByJob.insert(series["metric"]["job"].toString(), series["value"][1].toString());
                return (upByJob.value("right") == "1" && upByJob.contains("wrong")) ||
                       process.state() == QProcess::NotRunning;
            },
            60000);
        QVERIFY2(answered && process.state() == QProcess::Running, process.readAll().right(2000).constData());
        QCOMPARE(upByJob.value("right"), QStringLiteral("1"));
        QCOMPARE(upByJob.value("wrong"), QStringLiteral("0"));

        QString wrongError;
        for (const QJsonValue& target : prometheusData(webPort, "/api/v1/targets")["activeTargets"].toArray()) {
            if (target["labels"]["job"].toString() == QLatin1String("wrong"))
                wrongError = target["lastError"].toString();
        }
        QVERIFY2(wrongError.contains(QLatin1String("401")), qPrintable(wrongError));
    }
};

QTEST_GUILESS_MAIN(PrometheusWebConfigTest)
#include "PrometheusWebConfigTest.moc"
