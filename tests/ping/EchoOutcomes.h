#pragma once

#include "ping/EchoService.h"

#include <QList>

// A requester for engine tests: collects the outcomes handed back, and counts the batches they came in.
struct Outcomes : EchoSink {
    QList<EchoOutcome> replies;
    int batches = 0;
    quint64 nextTag = 1;

    void echoesDone(std::span<const EchoOutcome> outcomes) override
    {
        ++batches;
        for (const EchoOutcome& o : outcomes)
            replies.append(o);
    }
    // One echo to an address text, tagged with the number of echoes asked for so far.
    void send(EchoService& engine, const QString& text)
    {
        const EchoRequest request = EchoRequest::forText(nextTag++, text);
        engine.send(std::span(&request, 1), *this);
    }
};
