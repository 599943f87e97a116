#pragma once

#include "metrics/TlsClientAuth.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHash>
#include <QSslConfiguration>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class BasicAuthCheck;
class ProbeEndpoint;
class QHostAddress;
class WebConfig;

// Serves GET /metrics, and as Prometheus's own servers do GET /-/healthy (200 while it runs), GET /-/ready (200
// once ready, 503 before) and POST /-/reload (200, or 500 with the reason when the reload is refused). Other
// paths get 404, other methods 405. A web config adds TLS, basic auth or both; with basic auth every request
// without a known user and password gets 401 first.
class MetricsServer : public QAbstractHttpServer
{
    Q_OBJECT
public:
    using Render = std::function<QByteArray()>;
    explicit MetricsServer(Render render, QObject* parent = nullptr);
    ~MetricsServer() override;

    // What the lifecycle endpoints ask. Without ready the server is ready from the start; without reload,
    // /-/reload is not served (404).
    struct Lifecycle {
        std::function<bool()> ready;
        // Does the reload; an empty text when it worked, else why it was refused.
        std::function<QString()> reload;
    };
    void setLifecycle(Lifecycle lifecycle) { m_lifecycle = std::move(lifecycle); }
    // GET /probe goes to it (not owned; it outlives the server's requests).
    void setProbeEndpoint(ProbeEndpoint* endpoint) { m_probe = endpoint; }

    // TLS and basic auth as the file says, for what listenOn() starts afterwards. Without it: plain HTTP, no auth.
    void setWebConfig(const WebConfig& config);
    // Listens on address:port (port 0: a free one); the port listened on, or 0 when it cannot.
    quint16 listenOn(const QHostAddress& address, quint16 port);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    enum class Route { Metrics, Healthy, Ready, Reload, Probe, NotFound, WrongMethod, OnlyPost };
    struct Pending {
        Route route;
        std::optional<bool> allowed; // unset while its password is being checked
    };
    // A connection's requests whose answers wait, oldest first: HTTP/1.1 answers go out in request order.
    struct Waiting {
        const QHttpServerRequest* request; // the connection's one request object, alive as long as its socket
        std::deque<std::shared_ptr<Pending>> answers;
    };

    void answer(const QHttpServerRequest& request, QTcpSocket* socket, Route route, bool allowed);
    void answerInOrder(QTcpSocket* socket);
    Waiting& waitingOf(const QHttpServerRequest& request, QTcpSocket* socket);

    Route routeOf(const QHttpServerRequest& request) const;

    Render m_render;
    Lifecycle m_lifecycle;
    ProbeEndpoint* m_probe = nullptr;
    std::optional<QSslConfiguration> m_tls;
    TlsClientAuth::Type m_clientAuth = TlsClientAuth::Type::NoClientCert;
    QHash<QTcpSocket*, Waiting> m_waiting;
    std::unique_ptr<BasicAuthCheck> m_auth; // after m_waiting: its checks end before the queues go
};
