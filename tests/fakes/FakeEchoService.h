#pragma once

#include "ping/EchoService.h"

#include <QList>
#include <QPointer>

// Keeps every echo asked for; the test decides when and how each is answered, so time is deterministic.
class FakeEchoService : public EchoService
{
public:
    struct Request {
        Ticket ticket;
        QString address;
        QPointer<QObject> context;
        Done done;
        bool answered = false;
        bool cancelled = false;
    };

    Ticket send(const QString& addressText, QObject* context, Done done) override
    {
        requests.append({m_next, addressText, context, std::move(done)});
        if (onRequest)
            onRequest(static_cast<int>(requests.size()));
        return m_next++;
    }
    // With queueing on, echoes count as unsent until answered, so anything still waiting can be cancelled;
    // otherwise every echo counts as sent at once.
    bool cancel(Ticket ticket) override
    {
        if (!queueing)
            return false;
        for (Request& r : requests) {
            if (r.ticket == ticket && !r.answered && !r.cancelled) {
                r.cancelled = true;
                return true;
            }
        }
        return false;
    }

    void answer(int i, const EchoReply& reply)
    {
        Request& r = requests[i];
        if (r.answered || r.cancelled)
            return;
        r.answered = true;
        if (r.context)
            r.done(reply);
    }
    // Answers every waiting request with what reply(address) gives.
    template <typename F> void answerAll(F reply)
    {
        for (int i = 0; i < requests.size(); ++i)
            answer(i, reply(requests.at(i).address));
    }
    int waiting() const
    {
        int n = 0;
        for (const Request& r : requests)
            n += (!r.answered && !r.cancelled) ? 1 : 0;
        return n;
    }

    static EchoReply success(quint32 ipv4, quint32 rtt, quint8 ttl)
    {
        return success(IpAddress::fromIpv4(ipv4), rtt, ttl);
    }
    static EchoReply success(const IpAddress& address, quint32 rtt, quint8 ttl)
    {
        EchoReply r;
        r.address = address;
        r.roundTripMs = rtt;
        r.ttl = ttl;
        return r;
    }
    static EchoReply failure(quint32 code)
    {
        EchoReply r;
        r.status = static_cast<EchoStatus>(code);
        return r;
    }

    QList<Request> requests;
    bool queueing = false;
    // Called after each request is taken, with the number taken so far.
    std::function<void(int)> onRequest;

private:
    Ticket m_next = 1;
};
