#include "metrics/WebConfig.h"

#include "tests/metrics/BcryptHash.h"
#include "tests/metrics/TestCertificates.h"

#include <QSslKey>
#include <QtTest>
#include <algorithm>

// Web config files as an operator writes them, next to the certificates they name (relative names are taken
// from the file's folder): the good ones give the TLS settings and users asked for, every bad one is refused
// with one line that names the file, the line and the key.
class WebConfigTest : public QObject
{
    Q_OBJECT
    TestCertificates m_certificates;
    bool m_haveCertificates = false;
    QByteArray m_hash2y, m_hash2b;

    QString write(const QByteArray& yaml)
    {
        const QString path = m_certificates.path(QStringLiteral("web.yml"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(yaml) != yaml.size())
            return {};
        return path;
    }
    // Whether the file can be tried here: one that names certificate files needs the made ones.
    bool canTry(const QByteArray& yaml) const { return m_haveCertificates || !yaml.contains("_file"); }

private Q_SLOTS:
    void initTestCase()
    {
        m_haveCertificates = TestCertificates::opensslInstalled() && m_certificates.make();
        QVERIFY2(m_haveCertificates || !TestCertificates::opensslInstalled(), qPrintable(m_certificates.error()));
        m_hash2y = bcryptHash("right", "$2y$", 4);
        m_hash2b = bcryptHash("right", "$2b$", 4);
        QVERIFY(m_hash2y.startsWith("$2y$04$") && m_hash2b.startsWith("$2b$04$"));
        if (m_haveCertificates) {
            QFile chain(m_certificates.path(QStringLiteral("chain.pem")));
            QVERIFY(chain.open(QIODevice::WriteOnly));
            for (const char* part : {"server.pem", "ca.pem"}) {
                QFile pem(m_certificates.path(QLatin1String(part)));
                QVERIFY(pem.open(QIODevice::ReadOnly));
                chain.write(pem.readAll());
            }
        }
    }

    void goodFilesLoad_data()
    {
        QTest::addColumn<QByteArray>("yaml");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<int>("chainLength");
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("clientAuth");
        QTest::addColumn<int>("verifyMode");
        QTest::addColumn<int>("clientCas");
        QTest::addColumn<QByteArrayList>("users");
        const QByteArray users = "basic_auth_users:\n  alice: " + m_hash2y + "\n  'bob smith': " + m_hash2b + "\n";
        QTest::newRow("empty file: plain HTTP, nobody asked for")
            << QByteArray("# nothing yet\n") << false << 0 << 0 << 0 << 0 << 0 << QByteArrayList();
        QTest::newRow("users only, $2y$ and $2b$")
            << users << false << 0 << 0 << 0 << 0 << 0 << QByteArrayList{"alice", "bob smith"};
        QTest::newRow("TLS, EC key, defaults")
            << QByteArray("tls_server_config:\n  cert_file: server.pem\n  key_file: server.key\n") << true << 1
            << int(QSsl::TlsV1_2OrLater) << int(TlsClientAuth::Type::NoClientCert) << int(QSslSocket::VerifyNone) << 0
            << QByteArrayList();
        QTest::newRow("TLS, RSA key, TLS13, chain")
            << QByteArray("tls_server_config:\n  cert_file: chain.pem\n  key_file: rsa.key\n  min_version: TLS13\n")
            << true << 2 << int(QSsl::TlsV1_3OrLater) << int(TlsClientAuth::Type::NoClientCert)
            << int(QSslSocket::VerifyNone) << 0 << QByteArrayList();
        QTest::newRow("client certificates verified, absolute CA path, and users")
            << "tls_server_config:\n  cert_file: server.pem\n  key_file: server.key\n  min_version: TLS12\n"
               "  client_auth_type: RequireAndVerifyClientCert\n  client_ca_file: " +
                   m_certificates.path("ca.pem").toUtf8() + "\n" + users
            << true << 1 << int(QSsl::TlsV1_2OrLater) << int(TlsClientAuth::Type::RequireAndVerifyClientCert)
            << int(QSslSocket::VerifyPeer) << 1 << QByteArrayList{"alice", "bob smith"};
        QTest::newRow("any client certificate")
            << QByteArray("tls_server_config:\n  cert_file: server.pem\n  key_file: server.key\n"
                          "  client_auth_type: RequireAnyClientCert\n")
            << true << 1 << int(QSsl::TlsV1_2OrLater) << int(TlsClientAuth::Type::RequireAnyClientCert)
            << int(QSslSocket::VerifyPeer) << 0 << QByteArrayList();
        QTest::newRow("client certificate requested")
            << QByteArray("tls_server_config:\n  cert_file: server.pem\n  key_file: server.key\n"
                          "  client_auth_type: RequestClientCert\n")
            << true << 1 << int(QSsl::TlsV1_2OrLater) << int(TlsClientAuth::Type::RequestClientCert)
            << int(QSslSocket::QueryPeer) << 0 << QByteArrayList();
    }
    void goodFilesLoad()
    {
        QFETCH(QByteArray, yaml);
        QFETCH(bool, tls);
        if (!canTry(yaml))
            QSKIP("openssl is not installed (Debian package openssl), so there are no certificates to name");
        QString error;
        const std::optional<WebConfig> config = WebConfig::load(write(yaml), &error);
        QVERIFY2(config, qPrintable(error));
        QCOMPARE(config->usesTls(), tls);
        QByteArrayList users = config->users().keys();
        std::sort(users.begin(), users.end());
        QTEST(users, "users");
        for (const QByteArray& hash : config->users())
            QVERIFY(hash == m_hash2y || hash == m_hash2b);
        if (!tls)
            return;
        const QSslConfiguration ssl = config->sslConfiguration();
        QTEST(int(ssl.localCertificateChain().size()), "chainLength");
        QVERIFY(!ssl.privateKey().isNull());
        QTEST(int(ssl.protocol()), "protocol");
        QTEST(int(config->clientAuth()), "clientAuth");
        QTEST(int(ssl.peerVerifyMode()), "verifyMode");
        QTEST(int(ssl.caCertificates().size()), "clientCas");
    }

    void badFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("yaml"); // null: no file at all
        QTest::addColumn<QString>("reason");  // FILE and DIR stand for the file's path and folder
        const auto row = [](const char* name, const QByteArray& yaml, const QString& reason) {
            QTest::newRow(name) << yaml << reason;
        };
        const QByteArray tls = "tls_server_config:\n  cert_file: server.pem\n  key_file: server.key\n";
        row("no file", QByteArray(), "FILE: cannot read the web config (No such file or directory)");
        row("not YAML", QByteArray("tls_server_config:\n  cert_file: [server.pem\n"),
            "FILE:3: YAML: end of sequence flow not found");
        row("a list", QByteArray("- tls_server_config\n"),
            "FILE:1: the file: must be a mapping of tls_server_config and basic_auth_users");
        row("unknown key", QByteArray("tls_config:\n  cert_file: server.pem\n"), "FILE:1: tls_config: unknown key");
        row("unknown TLS key", tls + "  certfile: other.pem\n", "FILE:4: tls_server_config.certfile: unknown key");
        row("exporter-toolkit key not served here", tls + "  max_version: TLS12\n",
            "FILE:4: tls_server_config.max_version: not supported by vantrel-probe");
        row("HTTP server settings", QByteArray("http_server_config:\n  http2: false\n"),
            "FILE:1: http_server_config: not supported by vantrel-probe");
        row("key twice", tls + "  key_file: rsa.key\n", "FILE:4: tls_server_config.key_file: given twice");
        row("no key file", QByteArray("tls_server_config:\n  cert_file: server.pem\n"),
            "FILE:1: tls_server_config: needs cert_file and key_file");
        row("empty TLS section", QByteArray("tls_server_config:\n"),
            "FILE:1: tls_server_config: needs cert_file and key_file");
        row("certificate missing", QByteArray("tls_server_config:\n  cert_file: gone.pem\n  key_file: server.key\n"),
            "FILE:2: tls_server_config.cert_file: cannot read DIR/gone.pem (No such file or directory)");
        row("key where the certificate goes",
            QByteArray("tls_server_config:\n  cert_file: server.key\n  key_file: server.key\n"),
            "FILE:2: tls_server_config.cert_file: no PEM certificate in DIR/server.key");
        row("certificate where the key goes",
            QByteArray("tls_server_config:\n  cert_file: server.pem\n  key_file: server.pem\n"),
            "FILE:3: tls_server_config.key_file: no unencrypted PEM private key (RSA, EC or DSA) in DIR/server.pem");
        row("encrypted key", QByteArray("tls_server_config:\n  cert_file: server.pem\n  key_file: encrypted.key\n"),
            "FILE:3: tls_server_config.key_file: no unencrypted PEM private key (RSA, EC or DSA) in "
            "DIR/encrypted.key");
        row("TLS 1.4", tls + "  min_version: TLS14\n",
            "FILE:4: tls_server_config.min_version: \"TLS14\" is not TLS12 or TLS13");
        row("TLS 1.0", tls + "  min_version: TLS10\n",
            "FILE:4: tls_server_config.min_version: \"TLS10\" is not TLS12 or TLS13");
        row("client auth type", tls + "  client_auth_type: VerifyClientCert\n",
            "FILE:4: tls_server_config.client_auth_type: \"VerifyClientCert\" is not one of NoClientCert, "
            "RequestClientCert, RequireAnyClientCert, VerifyClientCertIfGiven, RequireAndVerifyClientCert");
        row("verifying without a CA", tls + "  client_auth_type: RequireAndVerifyClientCert\n",
            "FILE:4: tls_server_config.client_auth_type: RequireAndVerifyClientCert needs client_ca_file");
        row("a CA for no client certificate", tls + "  client_ca_file: ca.pem\n",
            "FILE:4: tls_server_config.client_ca_file: given, but client_auth_type asks for no client certificate");
        row("a list for a file", tls + "  client_ca_file: [ca.pem]\n  client_auth_type: RequireAnyClientCert\n",
            "FILE:4: tls_server_config.client_ca_file: must be a single value");
        row("MD5 crypt hash", QByteArray("basic_auth_users:\n  alice: $1$saltsalt$qjXMvbEw8oaL.CzflDugX/\n"),
            "FILE:2: basic_auth_users.alice: not a bcrypt hash ($2y$, $2a$ or $2b$)");
        row("password in clear", QByteArray("basic_auth_users:\n  alice: right\n"),
            "FILE:2: basic_auth_users.alice: not a bcrypt hash ($2y$, $2a$ or $2b$)");
        row("bcrypt hash cut short", "basic_auth_users:\n  alice: " + m_hash2y.left(40) + "\n",
            "FILE:2: basic_auth_users.alice: not a bcrypt hash ($2y$, $2a$ or $2b$)");
        row("user name with a colon", "basic_auth_users:\n  'al:ice': " + m_hash2y + "\n",
            "FILE:2: basic_auth_users.al:ice: a user name must be non-empty and without ':'");
        row("users as a list", "basic_auth_users:\n  - alice\n",
            "FILE:1: basic_auth_users: must map user names to bcrypt hashes");
    }
    void badFilesAreRefused()
    {
        QFETCH(QByteArray, yaml);
        QFETCH(QString, reason);
        if (!canTry(yaml))
            QSKIP("openssl is not installed (Debian package openssl), so there are no certificates to name");
        const QString path = yaml.isNull() ? m_certificates.path(QStringLiteral("absent.yml")) : write(yaml);
        QVERIFY(!path.isEmpty());
        QString error;
        QVERIFY(!WebConfig::load(path, &error));
        QCOMPARE(error,
                 reason.replace(QLatin1String("FILE"), path).replace(QLatin1String("DIR"), m_certificates.folder()));
    }
};

QTEST_GUILESS_MAIN(WebConfigTest)
#include "WebConfigTest.moc"
