#pragma once

#include "ping/EchoRequest.h"

#include <vector>

// The echoes waiting to be sent, in the order they were asked for: a ring that grows and keeps its room, so a
// round queues 100,000 echoes without an allocation each and the next round without any.
class EchoQueue
{
public:
    struct Entry {
        EchoRequest request;
        qint64 dueNs = 0; // monotonic; a later echo of a request waits for its turn
        quint16 sink = 0;
        quint8 echo = 0; // which of the request's echoes this is
        quint8 echoes = 1;
    };

    bool empty() const { return m_size == 0; }
    int size() const { return static_cast<int>(m_size); }
    void push(const EchoRequest& request, quint16 sink, quint8 echoes = 1) { push(Entry{request, 0, sink, 0, echoes}); }
    void push(const Entry& entry);
    // Only while not empty; the i-th from the front.
    const Entry& at(std::size_t i) const { return m_ring[(m_head + i) & (m_ring.size() - 1)]; }
    const Entry& front() const { return at(0); }
    void pop();
    // Drops the entries of this sink, keeping the order of the rest; returns how many echoes they had still to
    // send, counting each entry's later ones.
    int removeSink(quint16 sink);

private:
    void grow();

    std::vector<Entry> m_ring; // a power of two in size
    std::size_t m_head = 0;
    std::size_t m_size = 0;
};
