#pragma once

#include <QAbstractHttpServer>
#include <QByteArray>
#include <functional>

class QHostAddress;

// Serves GET /metrics and nothing else: other paths get 404, other methods on /metrics 405.
class MetricsServer : public QAbstractHttpServer
{
    Q_OBJECT
public:
    using Render = std::function<QByteArray()>;
    explicit MetricsServer(Render render, QObject* parent = nullptr);

    // Listens on address:port (port 0: a free one); the port listened on, or 0 when it cannot.
    quint16 listenOn(const QHostAddress& address, quint16 port);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    Render m_render;
};
