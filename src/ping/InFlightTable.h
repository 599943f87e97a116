#pragma once

#include "ping/EchoService.h"

#include <QPointer>
#include <deque>
#include <optional>
#include <unordered_map>

// The echoes of one socket that wait for an answer, by sequence number. Sequences are handed out round-robin,
// so a number comes back into use as late as possible; deadlines fall in send order. Holds only what is in
// flight: an engine that sends nothing costs nothing.
class InFlightTable
{
public:
    static constexpr int SequenceSpace = 65536;

    struct Echo {
        EchoService::Ticket ticket = 0;
        IpAddress destination;
        // Read just before the echo was handed to the kernel, on both clocks (see PreciseClock).
        qint64 sentMonotonicNs = 0;
        qint64 sentRealtimeNs = 0;
        bool hasContext = false;
        QPointer<QObject> context;
        EchoService::Done done;
    };

    // Where the round-robin starts.
    void startAt(quint16 sequence) { m_nextSequence = sequence; }
    int size() const { return static_cast<int>(m_echoes.size()); }
    // The first free sequence from the one after the last handed out, or from start; none while all are in
    // flight.
    std::optional<quint16> nextFree() const { return nextFree(m_nextSequence); }
    std::optional<quint16> nextFree(quint16 start) const;
    void insert(quint16 sequence, Echo echo);
    const Echo* find(quint16 sequence) const;
    Echo take(quint16 sequence);
    // The earliest sent echo still in flight, whose deadline comes first.
    const Echo* oldest(quint16* sequence = nullptr);

private:
    std::unordered_map<quint16, Echo> m_echoes;
    std::deque<std::pair<quint16, EchoService::Ticket>> m_sendOrder;
    quint16 m_nextSequence = 0;
};
