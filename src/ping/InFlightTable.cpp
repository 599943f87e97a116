#include "ping/InFlightTable.h"

namespace
{
constexpr std::size_t FirstSize = 256;
}

void InFlightTable::startAt(quint16 sequence)
{
    if (m_count == 0) {
        m_oldest = sequence;
        m_span = 0;
    }
}

std::optional<quint16> InFlightTable::nextFree()
{
    if (m_span >= SequenceSpace)
        return std::nullopt;
    if (m_slots.empty() || m_span >= static_cast<int>(m_slots.size()))
        grow();
    return static_cast<quint16>(m_oldest + m_span);
}

void InFlightTable::grow()
{
    const std::size_t size = m_slots.empty() ? FirstSize : m_slots.size() * 2;
    std::vector<Echo> bigger(size);
    // Sequences distinct modulo the old size are distinct modulo the new one: the settled records stay too.
    for (const Echo& echo : m_slots) {
        if (echo.state != State::Empty)
            bigger[echo.sequence & (size - 1)] = echo;
    }
    m_slots.swap(bigger);
}

InFlightTable::Echo& InFlightTable::insertNext()
{
    const quint16 sequence = static_cast<quint16>(m_oldest + m_span);
    ++m_span;
    ++m_count;
    Echo& echo = slotOf(sequence);
    echo = Echo();
    echo.sequence = sequence;
    echo.state = State::Waiting;
    return echo;
}

InFlightTable::Echo* InFlightTable::find(quint16 sequence)
{
    if (m_count == 0 || static_cast<quint16>(sequence - m_oldest) >= m_span)
        return nullptr;
    Echo& echo = slotOf(sequence);
    return echo.state == State::Waiting && echo.sequence == sequence ? &echo : nullptr;
}

InFlightTable::Echo* InFlightTable::findSettled(quint16 sequence)
{
    if (m_slots.empty())
        return nullptr;
    Echo& echo = slotOf(sequence);
    const bool settled = echo.state != State::Empty && echo.state != State::Waiting;
    return settled && echo.sequence == sequence ? &echo : nullptr;
}

void InFlightTable::release(Echo& echo, State settled)
{
    if (echo.state != State::Waiting)
        return;
    echo.state = settled;
    --m_count;
    // The window starts at the oldest echo still waiting.
    while (m_span > 0 && slotOf(m_oldest).state != State::Waiting) {
        ++m_oldest;
        --m_span;
    }
}

InFlightTable::Echo* InFlightTable::oldest()
{
    return m_count == 0 ? nullptr : &slotOf(m_oldest);
}
