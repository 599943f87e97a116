#pragma once

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// A real Alertmanager as a child process on a free loopback port, routing everything to a receiver that sends
// nothing; every wait is bounded.
class AlertmanagerProcess
{
public:
    AlertmanagerProcess()
    {
        QTcpServer free; // a free port, given back just before Alertmanager starts
        if (free.listen(QHostAddress::LocalHost))
            m_port = free.serverPort();
    }
    ~AlertmanagerProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(10000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
    }

    static QString binary() { return QStandardPaths::findExecutable(QStringLiteral("prometheus-alertmanager")); }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

    // Starts it and waits until it is ready; false, with its output in output(), when it is not.
    bool start()
    {
        QFile config(m_dir.filePath(QStringLiteral("am.yml")));
        if (m_port == 0 || !config.open(QIODevice::WriteOnly))
            return false;
        config.write("route:\n  receiver: 'null'\nreceivers:\n  - name: 'null'\n");
        config.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(binary(),
                        {QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(m_port),
                         QStringLiteral("--cluster.listen-address="), QStringLiteral("--storage.path=") + m_dir.path(),
                         QStringLiteral("--config.file=") + config.fileName()});
        if (!m_process.waitForStarted(10000))
            return false;
        return QTest::qWaitFor(
                   [&] { return get("/-/ready").first == 200 || m_process.state() == QProcess::NotRunning; }, 30000) &&
               m_process.state() == QProcess::Running;
    }
    QByteArray output() { return m_process.readAll().right(2000); }

    // The alerts it has that are active (not resolved); an empty array also when it does not answer.
    QJsonArray activeAlerts()
    {
        const auto [status, body] = get("/api/v2/alerts?active=true");
        return status == 200 ? QJsonDocument::fromJson(body).array() : QJsonArray();
    }

private:
    std::pair<int, QByteArray> get(const QString& path)
    {
        QNetworkAccessManager manager;
        QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(url() + path)));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        std::pair<int, QByteArray> result{0, {}};
        if (reply->isFinished())
            result = {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
        delete reply;
        return result;
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};
