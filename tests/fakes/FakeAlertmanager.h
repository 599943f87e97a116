#pragma once

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>

// A loopback HTTP endpoint in Alertmanager's place: keeps the alert posts it is sent and answers each with the
// status the test sets.
class FakeAlertmanager : public QAbstractHttpServer
{
public:
    quint16 listenOnLoopback()
    {
        auto* server = new QTcpServer(this);
        if (!server->listen(QHostAddress::LocalHost, 0))
            return 0;
        bind(server);
        return server->serverPort();
    }

    QList<QJsonArray> posts;
    QHttpServerResponder::StatusCode status = QHttpServerResponder::StatusCode::Ok;
    QByteArray body;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        QHttpServerResponder responder = makeResponder(request, socket);
        if (request.url().path() != QLatin1String("/api/v2/alerts") ||
            request.method() != QHttpServerRequest::Method::Post) {
            responder.write(QHttpServerResponder::StatusCode::NotFound);
            return true;
        }
        posts << QJsonDocument::fromJson(request.body()).array();
        responder.write(body, QByteArrayLiteral("text/plain"), status);
        return true;
    }
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
    }
};
