#include "ping/InFlightTable.h"

std::optional<quint16> InFlightTable::nextFree(quint16 start) const
{
    if (size() >= SequenceSpace)
        return std::nullopt;
    quint16 candidate = start;
    for (int tries = 0; tries < SequenceSpace; ++tries, ++candidate) {
        if (!m_echoes.contains(candidate))
            return candidate;
    }
    return std::nullopt;
}

void InFlightTable::insert(quint16 sequence, Echo echo)
{
    m_sendOrder.emplace_back(sequence, echo.ticket);
    m_echoes.insert_or_assign(sequence, std::move(echo));
    m_nextSequence = static_cast<quint16>(sequence + 1);
}

const InFlightTable::Echo* InFlightTable::find(quint16 sequence) const
{
    const auto found = m_echoes.find(sequence);
    return found == m_echoes.end() ? nullptr : &found->second;
}

InFlightTable::Echo InFlightTable::take(quint16 sequence)
{
    const auto found = m_echoes.find(sequence);
    if (found == m_echoes.end())
        return Echo();
    Echo echo = std::move(found->second);
    m_echoes.erase(found);
    return echo;
}

const InFlightTable::Echo* InFlightTable::oldest(quint16* sequence)
{
    // Entries of echoes answered already stay in the send order until they reach its front.
    while (!m_sendOrder.empty()) {
        const auto [front, ticket] = m_sendOrder.front();
        const Echo* echo = find(front);
        if (echo != nullptr && echo->ticket == ticket) {
            if (sequence != nullptr)
                *sequence = front;
            return echo;
        }
        m_sendOrder.pop_front();
    }
    return nullptr;
}
