#pragma once

#include "tests/fakes/PingPermission.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>
#include <csignal>
#include <unistd.h>

// The real vantrel-probe as a child process, and plain HTTP requests to it; every wait is bounded.
class ProbeProcess
{
public:
    ~ProbeProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Starts the probe with its metrics on a free loopback port; false when it does not say where it serves.
    bool start(const QStringList& arguments)
    {
        m_process.setProgram(QStringLiteral(VANTREL_PROBE));
        m_process.setArguments(QStringList{"--metrics-listen", "127.0.0.1:0"} + arguments);
        m_process.start();
        static const QRegularExpression serving(QStringLiteral("serving metrics at http://127.0.0.1:(\\d+)/metrics"));
        QRegularExpressionMatch match;
        const bool ok = QTest::qWaitFor(
            [&] {
                match = serving.match(QString::fromUtf8(errorOutput()));
                return match.hasMatch() || m_process.state() == QProcess::NotRunning;
            },
            10000);
        m_port = ok && match.hasMatch() ? match.captured(1).toUShort() : 0;
        return m_port != 0;
    }
    quint16 port() const { return m_port; }
    QByteArray errorOutput()
    {
        m_err += m_process.readAllStandardError();
        return m_err;
    }
    bool waitForText(const QByteArray& text, int timeoutMs = 15000)
    {
        return QTest::qWaitFor([&] { return errorOutput().contains(text); }, timeoutMs);
    }
    void signal(int number) { ::kill(static_cast<pid_t>(m_process.processId()), number); }
    // SIGTERM, then the exit code (-1 when it does not end in time).
    int terminate()
    {
        signal(SIGTERM);
        if (!m_process.waitForFinished(15000))
            return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

private:
    QProcess m_process;
    QByteArray m_err;
    quint16 m_port = 0;
};

struct HttpResult {
    int status = 0; // 0 when no answer came
    QByteArray contentType;
    QByteArray body;
};

inline HttpResult httpRequest(const QString& url, const QByteArray& verb = "GET", int timeoutMs = 10000)
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    QNetworkReply* reply = manager.sendCustomRequest(request, verb);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    HttpResult r;
    if (reply->isFinished()) {
        r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        r.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
        r.body = reply->readAll();
    }
    delete reply;
    return r;
}

// The value of the sample that starts with prefix (name and labels), or -1 when there is none.
// What promtool says of an exposition; true without promtool (Debian package prometheus).
inline bool promtoolAccepts(const QByteArray& exposition)
{
    const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
    if (promtool.isEmpty())
        return true;
    QProcess check;
    check.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
    check.write(exposition);
    check.closeWriteChannel();
    if (!check.waitForFinished(30000) || check.exitCode() != 0) {
        qWarning("promtool: %s", check.readAll().constData());
        return false;
    }
    return true;
}

inline double sampleValue(const QByteArray& metrics, const QByteArray& prefix)
{
    for (const QByteArray& line : metrics.split('\n')) {
        if (line.startsWith(prefix + ' '))
            return line.mid(prefix.size() + 1).toDouble();
    }
    return -1;
}
