#pragma once

#include "ping/EchoSink.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <functional>
#include <map>

class EchoService;
class HostResolver;
class HostTable;
class QTimer;

// GET /probe?target=T&module=icmp as blackbox_exporter answers it, for Prometheus service discovery: a target
// the probe watches is answered from its continuous results, without a packet; any other is pinged once, but
// only when its address lies in an allowed prefix - the rest get 403 and nothing is sent, so the endpoint
// cannot be used to send traffic anywhere. Off (404) without an allowed prefix. Unknown modules get 400, a
// missing target 400, more than MaxAtOnce probes under way 503.
class ProbeEndpoint : public QObject, private EchoSink
{
    Q_OBJECT
public:
    static constexpr int MaxAtOnce = 32;
    using Prefix = QPair<QHostAddress, int>;
    struct Answer {
        int status = 200;
        QByteArray body;
    };
    using Reply = std::function<void(const Answer&)>;

    ProbeEndpoint(const HostTable& results, EchoService& echo, HostResolver& resolver, QList<Prefix> allowed,
                  QObject* parent = nullptr);
    ~ProbeEndpoint() override;

    bool enabled() const { return !m_allowed.isEmpty(); }
    // reply runs once, now or when the echo is in (at the latest once the scrape's timeout is nearly up).
    void handle(const QString& target, const QString& module, double scrapeTimeoutS, Reply reply);
    // "A.B.C.D/N" or "X::/N"; false when it is neither.
    static bool parsePrefix(const QString& text, Prefix& prefix);

private:
    struct Probe {
        Reply reply;
        QElapsedTimer started;
        double lookupS = 0;
        int protocol = 4;
        int outstanding = 0;
        bool answered = false;
        quint32 rttUs = 0;
        quint8 hopLimit = 0;
        QTimer* deadline = nullptr;
    };

    void echoesDone(std::span<const EchoOutcome> outcomes) override;
    bool fromResults(const QString& target, const Reply& reply) const;
    void ping(quint64 id, const QString& address);
    void finish(quint64 id);
    static QByteArray body(bool success, double durationS, double lookupS, int protocol, double rttS, int hopLimit);

    const HostTable& m_results;
    EchoService& m_echo;
    HostResolver& m_resolver;
    QList<Prefix> m_allowed;
    std::map<quint64, Probe> m_probes;
    quint64 m_nextId = 1;
};
