#pragma once

#include "ping/EchoService.h"
#include "platform/Clock.h"

#include <QDateTime>
#include <QList>
#include <functional>

// The reply a test scripts for one echo: whole milliseconds unless it says microseconds.
struct EchoReply {
    IpAddress address;
    EchoStatus status = EchoStatus::Success;
    quint32 rttUs = 0;
    quint8 ttl = 0;
};

// Keeps every echo asked for; the test decides when and how each is answered, so time is deterministic. The
// outcomes are stamped with the clock's time when one is given, else with a fixed afternoon.
class FakeEchoService : public EchoService
{
public:
    struct Request {
        quint64 tag;
        QString address; // the address as the engine would send to it; empty for a text that is none
        EchoSink* sink;
        bool answered = false;
        bool cancelled = false;
        quint8 echo = 0; // which of its request's echoes, in send order
        quint8 echoes = 1;
    };

    explicit FakeEchoService(const Clock* clock = nullptr) : m_clock(clock) {}
    void setClock(const Clock* clock) { m_clock = clock; }

    void send(std::span<const EchoRequest> echoes, EchoSink& sink) override
    {
        for (const EchoRequest& e : echoes) {
            for (int k = 0; k < count; ++k) {
                requests.append({e.tag, e.valid ? e.target.address.toString() : QString(), &sink, false, false,
                                 static_cast<quint8>(k), static_cast<quint8>(count)});
                if (onRequest)
                    onRequest(static_cast<int>(requests.size()));
            }
        }
    }
    int echoesPerRequest() const override { return count; }
    // With queueing on, echoes count as unsent until answered, so anything still waiting can be cancelled;
    // otherwise every echo counts as sent at once.
    int cancel(EchoSink& sink) override
    {
        if (!queueing)
            return 0;
        int n = 0;
        for (Request& r : requests) {
            if (r.sink == &sink && !r.answered && !r.cancelled) {
                r.cancelled = true;
                ++n;
            }
        }
        return n;
    }
    void setStraySink(EchoSink* sink) override { straySink = sink; }
    void detach(EchoSink& sink) override
    {
        if (straySink == &sink)
            straySink = nullptr;
        cancel(sink);
        for (Request& r : requests) {
            if (r.sink == &sink)
                r.sink = nullptr;
        }
    }

    void answer(int i, const EchoReply& reply)
    {
        Request& r = requests[i];
        if (r.answered || r.cancelled)
            return;
        r.answered = true;
        if (r.sink == nullptr)
            return;
        const EchoOutcome outcome = outcomeOf(r, reply);
        r.sink->echoesDone(std::span(&outcome, 1));
    }
    // A reply to echo i after it was answered: late (the reply's status is kept as the echo's, a timeout) or a
    // duplicate; to the stray sink, whoever asked.
    void strayReply(int i, EchoOutcome::Kind kind, const EchoReply& reply)
    {
        if (straySink == nullptr)
            return;
        EchoOutcome outcome = outcomeOf(requests[i], reply);
        outcome.kind = kind;
        outcome.status = kind == EchoOutcome::Kind::Late ? EchoStatus::RequestTimedOut : EchoStatus::Success;
        straySink->echoesDone(std::span(&outcome, 1));
    }
    // Answers every waiting request with what reply(address) gives, in one batch per sink.
    template <typename F> void answerAll(F reply)
    {
        QList<EchoOutcome> batch;
        EchoSink* sink = nullptr;
        auto flush = [&] {
            if (sink != nullptr && !batch.isEmpty())
                sink->echoesDone(std::span(batch.constData(), static_cast<std::size_t>(batch.size())));
            batch.clear();
        };
        for (qsizetype i = 0; i < requests.size(); ++i) {
            Request& r = requests[i];
            if (r.answered || r.cancelled)
                continue;
            r.answered = true;
            if (r.sink == nullptr)
                continue;
            if (r.sink != sink) {
                flush();
                sink = r.sink;
            }
            batch.append(outcomeOf(r, reply(r.address)));
        }
        flush();
    }
    int waiting() const
    {
        int n = 0;
        for (const Request& r : requests)
            n += (!r.answered && !r.cancelled) ? 1 : 0;
        return n;
    }

    static EchoReply success(quint32 ipv4, quint32 rttMs, quint8 ttl)
    {
        return success(IpAddress::fromIpv4(ipv4), rttMs, ttl);
    }
    static EchoReply success(const IpAddress& address, quint32 rttMs, quint8 ttl)
    {
        return successUs(address, rttMs * 1000, ttl);
    }
    static EchoReply successUs(const IpAddress& address, quint32 rttUs, quint8 ttl)
    {
        EchoReply r;
        r.address = address;
        r.rttUs = rttUs;
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
    EchoSink* straySink = nullptr;
    bool queueing = false;
    // Echoes per request: each is a request of its own here, numbered as the engine numbers them.
    int count = 1;
    // Called after each request is taken, with the number taken so far.
    std::function<void(int)> onRequest;

private:
    EchoOutcome outcomeOf(const Request& r, const EchoReply& reply) const
    {
        EchoOutcome o;
        o.tag = r.tag;
        o.status = reply.status;
        o.address = reply.address;
        o.rttUs = reply.rttUs;
        o.ttl = reply.ttl;
        o.echo = r.echo;
        o.echoes = r.echoes;
        const QDateTime when = m_clock ? m_clock->now() : QDateTime(QDate(2026, 12, 7), QTime(15, 5, 9));
        o.whenUs = when.toMSecsSinceEpoch() * 1000;
        return o;
    }

    const Clock* m_clock;
};
