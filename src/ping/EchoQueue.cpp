#include "ping/EchoQueue.h"

void EchoQueue::push(const Entry& entry)
{
    if (m_size == m_ring.size())
        grow();
    m_ring[(m_head + m_size) & (m_ring.size() - 1)] = entry;
    ++m_size;
}

void EchoQueue::pop()
{
    m_head = (m_head + 1) & (m_ring.size() - 1);
    --m_size;
}

void EchoQueue::grow()
{
    std::vector<Entry> bigger(m_ring.empty() ? 64 : m_ring.size() * 2);
    for (std::size_t i = 0; i < m_size; ++i)
        bigger[i] = at(i);
    m_ring.swap(bigger);
    m_head = 0;
}

int EchoQueue::removeSink(quint16 sink)
{
    std::size_t kept = 0;
    int removed = 0;
    for (std::size_t i = 0; i < m_size; ++i) {
        const Entry entry = at(i);
        if (entry.sink != sink)
            m_ring[(m_head + kept++) & (m_ring.size() - 1)] = entry;
        else
            removed += entry.echoes - entry.echo;
    }
    m_size = kept;
    return removed;
}
