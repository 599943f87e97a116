#include "metrics/MetricsServer.h"

#include "metrics/BasicAuthCheck.h"
#include "metrics/MetricsExposition.h"
#include "metrics/ProbeEndpoint.h"
#include "metrics/WebConfig.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QPointer>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QUrlQuery>
#include <memory>

MetricsServer::MetricsServer(Render render, QObject* parent) : QAbstractHttpServer(parent), m_render(std::move(render))
{
}

MetricsServer::~MetricsServer() = default;

void MetricsServer::setWebConfig(const WebConfig& config)
{
    m_tls.reset();
    if (config.usesTls())
        m_tls = config.sslConfiguration();
    m_clientAuth = config.clientAuth();
    m_auth.reset();
    if (!config.users().isEmpty())
        m_auth = std::make_unique<BasicAuthCheck>(config.users());
}

quint16 MetricsServer::listenOn(const QHostAddress& address, quint16 port)
{
    // Our own QTcpServer: QAbstractHttpServer::listen() warns on stderr when the address is taken.
    QTcpServer* server = nullptr;
    if (m_tls) {
        auto* tls = new QSslServer(this);
        tls->setSslConfiguration(*m_tls);
        // Direct, so the handshake goes on (or not) right after the errors are reported.
        connect(tls, &QSslServer::sslErrors, tls,
                [policy = m_clientAuth](QSslSocket* socket, const QList<QSslError>& errors) {
                    if (TlsClientAuth::forgives(policy, errors))
                        socket->ignoreSslErrors(errors);
                });
        server = tls;
    } else {
        server = new QTcpServer(this);
    }
    if (!server->listen(address, port)) {
        delete server;
        return 0;
    }
    bind(server);
    return server->serverPort();
}

MetricsServer::Route MetricsServer::routeOf(const QHttpServerRequest& request) const
{
    const QString path = request.url().path();
    const bool get = request.method() == QHttpServerRequest::Method::Get;
    if (path == QLatin1String("/metrics"))
        return get ? Route::Metrics : Route::WrongMethod;
    if (path == QLatin1String("/-/healthy"))
        return get ? Route::Healthy : Route::WrongMethod;
    if (path == QLatin1String("/-/ready"))
        return get ? Route::Ready : Route::WrongMethod;
    if (path == QLatin1String("/probe") && m_probe)
        return get ? Route::Probe : Route::WrongMethod;
    if (path == QLatin1String("/-/reload") && m_lifecycle.reload)
        return request.method() == QHttpServerRequest::Method::Post ? Route::Reload : Route::OnlyPost;
    return Route::NotFound;
}

bool MetricsServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    const Route route = routeOf(request);
    if (!m_auth) {
        answer(request, socket, route, true);
        return true;
    }
    const QByteArray authorization = request.value(QByteArrayLiteral("authorization"));
    const std::optional<bool> verdict = m_auth->quickVerdict(authorization);
    const auto waiting = m_waiting.constFind(socket);
    if (verdict && (waiting == m_waiting.cend() || waiting->answers.empty())) {
        answer(request, socket, route, *verdict);
        return true;
    }
    // bcrypt takes tens of milliseconds: on a worker thread, so pinging and other scrapes go on meanwhile.
    auto pending = std::make_shared<Pending>(Pending{route, verdict});
    waitingOf(request, socket).answers.push_back(pending);
    if (!verdict) {
        m_auth->verifyLater(authorization)
            .then(this, [this, pending, guard = QPointer<QTcpSocket>(socket)](bool allowed) {
                pending->allowed = allowed;
                if (guard)
                    answerInOrder(guard);
            });
    }
    return true;
}

MetricsServer::Waiting& MetricsServer::waitingOf(const QHttpServerRequest& request, QTcpSocket* socket)
{
    auto it = m_waiting.find(socket);
    if (it == m_waiting.end()) {
        it = m_waiting.insert(socket, Waiting{&request, {}});
        connect(socket, &QObject::destroyed, this, [this, socket] { m_waiting.remove(socket); });
    }
    return *it;
}

void MetricsServer::answerInOrder(QTcpSocket* socket)
{
    const auto it = m_waiting.find(socket);
    if (it == m_waiting.end())
        return;
    while (!it->answers.empty() && it->answers.front()->allowed) {
        const std::shared_ptr<Pending> next = it->answers.front();
        it->answers.pop_front();
        if (socket->state() == QAbstractSocket::ConnectedState)
            answer(*it->request, socket, next->route, *next->allowed);
    }
}

void MetricsServer::answer(const QHttpServerRequest& request, QTcpSocket* socket, Route route, bool allowed)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    if (!allowed) {
        responder.write({{"WWW-Authenticate", "Basic realm=\"vantrel\""}},
                        QHttpServerResponder::StatusCode::Unauthorized);
        return;
    }
    switch (route) {
    case Route::NotFound:
        responder.write(QByteArrayLiteral("not found\n"), QByteArrayLiteral("text/plain"),
                        QHttpServerResponder::StatusCode::NotFound);
        break;
    case Route::WrongMethod:
        responder.write(QByteArrayLiteral("only GET\n"), {{"Content-Type", "text/plain"}, {"Allow", "GET"}},
                        QHttpServerResponder::StatusCode::MethodNotAllowed);
        break;
    case Route::OnlyPost:
        responder.write(QByteArrayLiteral("only POST\n"), {{"Content-Type", "text/plain"}, {"Allow", "POST"}},
                        QHttpServerResponder::StatusCode::MethodNotAllowed);
        break;
    case Route::Metrics:
        responder.write(m_render(), MetricsExposition::ContentType);
        break;
    case Route::Probe: {
        const QUrlQuery query(request.url());
        bool timeoutGiven = false;
        double timeoutS =
            request.value(QByteArrayLiteral("x-prometheus-scrape-timeout-seconds")).toDouble(&timeoutGiven);
        if (!timeoutGiven || timeoutS <= 0)
            timeoutS = 10; // Prometheus's default scrape timeout
        auto held = std::make_shared<QHttpServerResponder>(std::move(responder));
        m_probe->handle(query.queryItemValue(QStringLiteral("target")), query.queryItemValue(QStringLiteral("module")),
                        timeoutS, [held, guard = QPointer<QTcpSocket>(socket)](const ProbeEndpoint::Answer& a) {
                            if (!guard || guard->state() != QAbstractSocket::ConnectedState)
                                return;
                            if (a.status == 200)
                                held->write(a.body, MetricsExposition::ContentType);
                            else
                                held->write(a.body, QByteArrayLiteral("text/plain"),
                                            static_cast<QHttpServerResponder::StatusCode>(a.status));
                        });
        break;
    }
    case Route::Healthy:
        responder.write(QByteArrayLiteral("healthy\n"), QByteArrayLiteral("text/plain"));
        break;
    case Route::Ready:
        if (!m_lifecycle.ready || m_lifecycle.ready())
            responder.write(QByteArrayLiteral("ready\n"), QByteArrayLiteral("text/plain"));
        else
            responder.write(QByteArrayLiteral("not ready: the first round is not done\n"),
                            QByteArrayLiteral("text/plain"), QHttpServerResponder::StatusCode::ServiceUnavailable);
        break;
    case Route::Reload:
        if (const QString refused = m_lifecycle.reload(); refused.isEmpty())
            responder.write(QByteArrayLiteral("reloaded\n"), QByteArrayLiteral("text/plain"));
        else
            responder.write(refused.toUtf8() + '\n', QByteArrayLiteral("text/plain"),
                            QHttpServerResponder::StatusCode::InternalServerError);
        break;
    }
}

void MetricsServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
}
