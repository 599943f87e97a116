#include "metrics/MetricsServer.h"

#include "metrics/MetricsExposition.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>

MetricsServer::MetricsServer(Render render, QObject* parent) : QAbstractHttpServer(parent), m_render(std::move(render))
{
}

quint16 MetricsServer::listenOn(const QHostAddress& address, quint16 port)
{
    // Our own QTcpServer: QAbstractHttpServer::listen() warns on stderr when the address is taken.
    auto* server = new QTcpServer(this);
    if (!server->listen(address, port)) {
        delete server;
        return 0;
    }
    bind(server);
    return server->serverPort();
}

bool MetricsServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    if (request.url().path() != QLatin1String("/metrics")) {
        responder.write(QByteArrayLiteral("not found\n"), QByteArrayLiteral("text/plain"),
                        QHttpServerResponder::StatusCode::NotFound);
    } else if (request.method() != QHttpServerRequest::Method::Get) {
        responder.write(QByteArrayLiteral("only GET\n"), {{"Content-Type", "text/plain"}, {"Allow", "GET"}},
                        QHttpServerResponder::StatusCode::MethodNotAllowed);
    } else {
        responder.write(m_render(), MetricsExposition::ContentType);
    }
    return true;
}

void MetricsServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
}
