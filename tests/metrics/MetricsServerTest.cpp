#include "metrics/MetricsServer.h"

#include "metrics/MetricsExposition.h"
#include "metrics/WebConfig.h"
#include "tests/metrics/BcryptHash.h"
#include "tests/metrics/TestCertificates.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QtTest>

namespace
{
const QByteArray Exposition = "up 1\n";

struct CurlAnswer {
    int status = 0; // 0: no HTTP answer (the TLS handshake failed, say)
    QByteArray headers;
    QByteArray body;
};
} // namespace

// The metrics endpoint in this process, asked by curl and by a plain socket over loopback: without a web config
// its answers are the bytes they always were; with one, TLS and basic auth decide who gets them.
class MetricsServerTest : public QObject
{
    Q_OBJECT
    TestCertificates m_certificates;
    QByteArray m_users;

    // Runs curl without blocking, so this process's server can answer it.
    CurlAnswer curl(const QStringList& arguments)
    {
        const QString headers = m_certificates.path(QStringLiteral("headers.txt"));
        const QString body = m_certificates.path(QStringLiteral("body.txt"));
        QFile::remove(headers);
        QFile::remove(body);
        QProcess process;
        process.start(QStringLiteral("curl"),
                      QStringList{"-s", "--max-time", "20", "-D", headers, "-o", body, "-w", "%{http_code}"} +
                          arguments);
        if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 30000))
            process.kill();
        process.waitForFinished(5000);
        CurlAnswer answer;
        answer.status = process.readAllStandardOutput().toInt();
        QFile h(headers), b(body);
        if (h.open(QIODevice::ReadOnly))
            answer.headers = h.readAll();
        if (b.open(QIODevice::ReadOnly))
            answer.body = b.readAll();
        return answer;
    }
    std::optional<WebConfig> config(const QByteArray& yaml)
    {
        QFile file(m_certificates.path(QStringLiteral("web.yml")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return std::nullopt;
        file.write(yaml);
        file.close();
        QString error;
        std::optional<WebConfig> loaded = WebConfig::load(file.fileName(), &error);
        if (!loaded)
            qWarning("%s", qPrintable(error));
        return loaded;
    }
    // How many whole answers (head and Content-Length bytes of body) the text holds.
    static int wholeAnswers(const QByteArray& text)
    {
        static const QByteArray lengthField = "\r\ncontent-length:";
        int count = 0;
        qsizetype at = 0;
        for (qsizetype end; (end = text.indexOf("\r\n\r\n", at)) >= 0; ++count) {
            const QByteArray head = text.mid(at, end - at).toLower() + "\r\n";
            const qsizetype field = head.indexOf(lengthField);
            const qsizetype value = field + lengthField.size();
            const qsizetype length =
                field < 0 ? 0 : head.mid(value, head.indexOf("\r\n", value) - value).trimmed().toLongLong();
            if (text.size() < end + 4 + length)
                break;
            at = end + 4 + length;
        }
        return count;
    }
    // What a socket receives until it holds count whole HTTP answers (or 10 s pass).
    static QByteArray exchange(quint16 port, const QByteArray& requests, int count)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.write(requests);
        QByteArray received;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                received += socket.readAll();
                return wholeAnswers(received) >= count;
            },
            10000));
        return received;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty())
            QSKIP("curl is not installed (Debian package curl)");
        if (!TestCertificates::opensslInstalled())
            QSKIP("openssl is not installed (Debian package openssl)");
        QVERIFY2(m_certificates.make(), qPrintable(m_certificates.error()));
        m_users = "basic_auth_users:\n  alice: " + bcryptHash("right", "$2y$", 4) + "\n";
    }

    void plainHttpAnswersAreAsBefore_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("metrics") << QByteArray("GET /metrics HTTP/1.1\r\nHost: a\r\n\r\n")
                                 << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: ") + MetricsExposition::ContentType +
                                        "\r\nContent-Length: 5\r\n\r\n" + Exposition;
        QTest::newRow("other path") << QByteArray("GET /x HTTP/1.1\r\nHost: a\r\n\r\n")
                                    << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\n"
                                                  "Content-Length: 10\r\n\r\nnot found\n");
        QTest::newRow("other method") << QByteArray("POST /metrics HTTP/1.1\r\nHost: a\r\nContent-Length: 0\r\n\r\n")
                                      << QByteArray("HTTP/1.1 405 Method Not Allowed\r\nContent-Type: text/plain\r\n"
                                                    "Allow: GET\r\nContent-Length: 9\r\n\r\nonly GET\n");
    }
    void plainHttpAnswersAreAsBefore()
    {
        QFETCH(QByteArray, request);
        MetricsServer server([] { return Exposition; });
        const quint16 port = server.listenOn(QHostAddress::LocalHost, 0);
        QVERIFY(port != 0);
        QTEST(exchange(port, request, 1), "answer");
    }

    void lifecycleEndpointsAnswerAsPrometheusDoes_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("ready");
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QByteArray>("statusLine");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("reloads");
        const QByteArray post = "POST /-/reload HTTP/1.1\r\nHost: a\r\nContent-Length: 0\r\n\r\n";
        QTest::newRow("healthy") << QByteArray("GET /-/healthy HTTP/1.1\r\nHost: a\r\n\r\n") << false << QString()
                                 << QByteArray("HTTP/1.1 200 OK") << QByteArray("healthy\n") << 0;
        QTest::newRow("not ready") << QByteArray("GET /-/ready HTTP/1.1\r\nHost: a\r\n\r\n") << false << QString()
                                   << QByteArray("HTTP/1.1 503 Service Unavailable")
                                   << QByteArray("not ready: the first round is not done\n") << 0;
        QTest::newRow("ready") << QByteArray("GET /-/ready HTTP/1.1\r\nHost: a\r\n\r\n") << true << QString()
                               << QByteArray("HTTP/1.1 200 OK") << QByteArray("ready\n") << 0;
        QTest::newRow("reload") << post << true << QString() << QByteArray("HTTP/1.1 200 OK")
                                << QByteArray("reloaded\n") << 1;
        QTest::newRow("reload refused") << post << true << QStringLiteral("list file not found: /x")
                                        << QByteArray("HTTP/1.1 500 Internal Server Error")
                                        << QByteArray("list file not found: /x\n") << 1;
        QTest::newRow("reload by GET") << QByteArray("GET /-/reload HTTP/1.1\r\nHost: a\r\n\r\n") << true << QString()
                                       << QByteArray("HTTP/1.1 405 Method Not Allowed") << QByteArray("only POST\n")
                                       << 0;
    }
    void lifecycleEndpointsAnswerAsPrometheusDoes()
    {
        QFETCH(QByteArray, request);
        QFETCH(bool, ready);
        QFETCH(QString, refused);
        int reloads = 0;
        MetricsServer server([] { return Exposition; });
        server.setLifecycle({[&] { return ready; },
                             [&] {
                                 ++reloads;
                                 return refused;
                             }});
        const quint16 port = server.listenOn(QHostAddress::LocalHost, 0);
        QVERIFY(port != 0);
        const QByteArray answer = exchange(port, request, 1);
        QTEST(answer.left(answer.indexOf("\r\n")), "statusLine");
        QTEST(answer.mid(answer.indexOf("\r\n\r\n") + 4), "body");
        QTEST(reloads, "reloads");
    }

    void tlsAndBasicAuthDecide_data()
    {
        QTest::addColumn<QByteArray>("tls"); // more of tls_server_config
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        const QStringList alice{"-u", "alice:right"};
        const QStringList none;
        const QByteArray verify = "  client_auth_type: RequireAndVerifyClientCert\n  client_ca_file: ca.pem\n";
        const QByteArray ifGiven = "  client_auth_type: VerifyClientCertIfGiven\n  client_ca_file: ca.pem\n";
        const QByteArray any = "  client_auth_type: RequireAnyClientCert\n";
        QTest::newRow("right password") << QByteArray() << QString() << alice << 200;
        QTest::newRow("wrong password") << QByteArray() << QString() << QStringList{"-u", "alice:wrong"} << 401;
        QTest::newRow("unknown user") << QByteArray() << QString() << QStringList{"-u", "bob:right"} << 401;
        QTest::newRow("no credentials") << QByteArray() << QString() << none << 401;
        QTest::newRow("other path, no credentials: 401 first") << QByteArray() << QString() << QStringList{"/x"} << 401;
        QTest::newRow("other path") << QByteArray() << QString() << (alice + QStringList{"/x"}) << 404;
        QTest::newRow("other method") << QByteArray() << QString() << (alice + QStringList{"-X", "POST"}) << 405;
        QTest::newRow("TLS 1.2 client, TLS12 lowest")
            << QByteArray() << QString() << (alice + QStringList{"--tls-max", "1.2"}) << 200;
        QTest::newRow("TLS 1.2 client, TLS13 lowest")
            << QByteArray("  min_version: TLS13\n") << QString() << (alice + QStringList{"--tls-max", "1.2"}) << 0;
        QTest::newRow("TLS 1.3 client, TLS13 lowest")
            << QByteArray("  min_version: TLS13\n") << QString() << alice << 200;
        QTest::newRow("verified: no certificate") << verify << QString() << alice << 0;
        QTest::newRow("verified: stranger's certificate") << verify << "stranger" << alice << 0;
        QTest::newRow("verified: CA's certificate") << verify << "client" << alice << 200;
        QTest::newRow("verified, wrong password") << verify << "client" << QStringList{"-u", "alice:wrong"} << 401;
        QTest::newRow("if given: none") << ifGiven << QString() << alice << 200;
        QTest::newRow("if given: stranger's certificate") << ifGiven << "stranger" << alice << 0;
        QTest::newRow("if given: CA's certificate") << ifGiven << "client" << alice << 200;
        QTest::newRow("any: none") << any << QString() << alice << 0;
        QTest::newRow("any: stranger's certificate") << any << "stranger" << alice << 200;
        QTest::newRow("requested: stranger's certificate")
            << QByteArray("  client_auth_type: RequestClientCert\n") << "stranger" << alice << 200;
        QTest::newRow("requested: none") << QByteArray("  client_auth_type: RequestClientCert\n") << QString() << alice
                                         << 200;
    }
    void tlsAndBasicAuthDecide()
    {
        QFETCH(QByteArray, tls);
        QFETCH(QString, certificate);
        QFETCH(QStringList, options);
        QFETCH(int, status);
        const std::optional<WebConfig> web =
            config("tls_server_config:\n  cert_file: server.pem\n  key_file: server.key\n" + tls + m_users);
        QVERIFY(web);
        MetricsServer server([] { return Exposition; });
        server.setWebConfig(*web);
        const quint16 port = server.listenOn(QHostAddress::LocalHost, 0);
        QVERIFY(port != 0);

        QString path = QStringLiteral("/metrics");
        if (!options.isEmpty() && options.last().startsWith('/'))
            path = options.takeLast();
        QStringList arguments{"--cacert", m_certificates.path("ca.pem")};
        if (!certificate.isEmpty())
            arguments << "--cert" << m_certificates.path(certificate + ".pem") << "--key"
                      << m_certificates.path(certificate + ".key");
        const CurlAnswer answer =
            curl(arguments + options + QStringList{QStringLiteral("https://127.0.0.1:%1%2").arg(port).arg(path)});
        QCOMPARE(answer.status, status);
        if (status == 401) {
            QVERIFY2(answer.headers.contains("\r\nWWW-Authenticate: Basic realm=\"vantrel\"\r\n"), answer.headers);
            QCOMPARE(answer.body, QByteArray());
        } else if (status == 200) {
            QCOMPARE(answer.body, Exposition);
        }
    }

    // A password check takes a while on its worker thread; an answer that is ready sooner still goes out after it.
    void answersKeepRequestOrder()
    {
        const std::optional<WebConfig> web = config(m_users);
        QVERIFY(web);
        MetricsServer server([] { return Exposition; });
        server.setWebConfig(*web);
        const quint16 port = server.listenOn(QHostAddress::LocalHost, 0);
        QVERIFY(port != 0);
        const QByteArray checked = "GET /metrics HTTP/1.1\r\nHost: a\r\nAuthorization: Basic " +
                                   QByteArray("alice:right").toBase64() + "\r\n\r\n";
        const QByteArray refused = "GET /metrics HTTP/1.1\r\nHost: a\r\n\r\n";
        const QByteArray received = exchange(port, checked + refused + checked, 3);
        QCOMPARE(received.count("HTTP/1.1 "), 3);
        const qsizetype first = received.indexOf("HTTP/1.1 200 ");
        const qsizetype second = received.indexOf("HTTP/1.1 401 ");
        const qsizetype third = received.lastIndexOf("HTTP/1.1 200 ");
        QVERIFY2(first >= 0 && first < second && second < third, received.constData());
    }

    // A client that leaves while its password is being checked: the answer has nowhere to go, the next client
    // is served as usual.
    void clientGoneBeforeItsCheckEnds()
    {
        // Cost 12: the check outlasts the client's stay by far.
        const std::optional<WebConfig> web = config("basic_auth_users:\n  slow: " + bcryptHash("right", "$2y$", 12));
        QVERIFY(web);
        MetricsServer server([] { return Exposition; });
        server.setWebConfig(*web);
        const quint16 port = server.listenOn(QHostAddress::LocalHost, 0);
        QVERIFY(port != 0);
        const QByteArray request = "GET /metrics HTTP/1.1\r\nHost: a\r\nAuthorization: Basic " +
                                   QByteArray("slow:right").toBase64() + "\r\n\r\n";
        {
            QTcpSocket leaving;
            leaving.connectToHost(QHostAddress::LocalHost, port);
            QVERIFY(leaving.waitForConnected(5000));
            leaving.write(request);
            QVERIFY(leaving.waitForBytesWritten(5000));
            QTest::qWait(20); // the server reads the request, and its check begins
            leaving.abort();
        }
        QVERIFY(exchange(port, request, 1).startsWith("HTTP/1.1 200 OK\r\n"));
    }
};

QTEST_GUILESS_MAIN(MetricsServerTest)
#include "MetricsServerTest.moc"
