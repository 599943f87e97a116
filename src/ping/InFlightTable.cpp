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
    for (const Echo& echo : m_slots) {
        if (echo.used)
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
    echo.used = true;
    return echo;
}

InFlightTable::Echo* InFlightTable::find(quint16 sequence)
{
    if (m_count == 0 || static_cast<quint16>(sequence - m_oldest) >= m_span)
        return nullptr;
    Echo& echo = slotOf(sequence);
    return echo.used && echo.sequence == sequence ? &echo : nullptr;
}

void InFlightTable::release(Echo& echo)
{
    if (!echo.used)
        return;
    echo.used = false;
    --m_count;
    // The window starts at the oldest echo still waiting.
    while (m_span > 0 && !slotOf(m_oldest).used) {
        ++m_oldest;
        --m_span;
    }
}

InFlightTable::Echo* InFlightTable::oldest()
{
    return m_count == 0 ? nullptr : &slotOf(m_oldest);
}
