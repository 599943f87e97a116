#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

// Throw-away certificates made with the openssl command line in a temporary folder: a CA, a server certificate
// for 127.0.0.1 and a client certificate signed by it, a client certificate from a stranger CA, the server key
// encrypted, and an RSA server pair beside the EC ones. Files: ca.pem, server.pem/.key, client.pem/.key,
// stranger.pem/.key, encrypted.key, rsa.pem/.key.
class TestCertificates
{
public:
    static bool opensslInstalled() { return !QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty(); }

    // False, with what openssl said in error(), when one of the steps fails.
    bool make()
    {
        const QString ec = QStringLiteral("ec_paramgen_curve:prime256v1");
        return selfSigned("ca", {"-newkey", "ec", "-pkeyopt", ec}) &&
               selfSigned("stranger-ca", {"-newkey", "ec", "-pkeyopt", ec}) &&
               signedBy("server", "ca", "subjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n", 11) &&
               signedBy("client", "ca", "extendedKeyUsage=clientAuth\n", 12) &&
               signedBy("stranger", "stranger-ca", "extendedKeyUsage=clientAuth\n", 13) &&
               run({"pkey", "-in", "server.key", "-aes256", "-passout", "pass:secret", "-out", "encrypted.key"}) &&
               selfSigned("rsa", {"-newkey", "rsa:2048"});
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString folder() const { return m_dir.path(); }
    QString error() const { return m_error; }

private:
    bool selfSigned(const QString& name, const QStringList& key)
    {
        return run(QStringList{"req", "-x509"} + key +
                   QStringList{"-nodes", "-keyout", name + ".key", "-out", name + ".pem", "-days", "2", "-subj",
                               "/CN=vantrel test " + name});
    }
    bool signedBy(const QString& name, const QString& ca, const QByteArray& extensions, int serial)
    {
        QFile ext(path(name + ".ext"));
        if (!ext.open(QIODevice::WriteOnly) || ext.write(extensions) != extensions.size())
            return false;
        ext.close();
        return run({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                    name + ".key", "-out", name + ".csr", "-subj", "/CN=" + name}) &&
               run({"x509", "-req", "-in", name + ".csr", "-CA", ca + ".pem", "-CAkey", ca + ".key", "-set_serial",
                    QString::number(serial), "-days", "2", "-extfile", name + ".ext", "-out", name + ".pem"});
    }
    bool run(const QStringList& arguments)
    {
        QProcess openssl;
        openssl.setWorkingDirectory(m_dir.path());
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"), arguments);
        const bool ok =
            openssl.waitForFinished(60000) && openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0;
        if (!ok)
            m_error = arguments.join(' ') + ": " + QString::fromLocal8Bit(openssl.readAll());
        return ok;
    }

    QTemporaryDir m_dir;
    QString m_error;
};
