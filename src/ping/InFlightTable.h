#pragma once

#include "platform/IpAddress.h"

#include <QtGlobal>
#include <optional>
#include <vector>

// The echoes of one socket that wait for an answer, by sequence number, and a record of those settled lately.
//
// 1. Sequences are handed out one after the other, so the echoes in flight always lie in one window of
//    sequences, from the oldest still waiting to the next to hand out, and a number comes back into use as late
//    as possible.
// 2. Echoes sent in order wait the same time, so the oldest in flight is the first whose deadline comes.
// 3. A slot is sequence modulo the table's size; the table doubles (up to the whole sequence space) when the
//    window would outgrow it, so a few echoes cost a few kilobytes and 100,000 a fixed 3 MB, never a node each.
// 4. A settled echo stays in its slot, marked how it was settled, until a newer echo takes the slot: a reply
//    that comes after it (late, or a second one) is recognised without keeping anything else.
class InFlightTable
{
public:
    static constexpr int SequenceSpace = 65536;

    enum class State : quint8 {
        Empty,
        Waiting,
        Replied,     // answered in time
        Failed,      // settled by an ICMP error or a send failure
        TimedOut,    // no reply in time, none since
        RepliedLate, // timed out, then answered
    };

    struct Echo {
        quint64 tag = 0;
        // Read just before the echo was handed to the kernel, on both clocks (see PreciseClock).
        qint64 sentMonotonicNs = 0;
        qint64 sentRealtimeNs = 0;
        IpAddress destination;
        quint16 sequence = 0;
        quint16 sink = 0; // the requester, as the engine numbers them
        quint8 echo = 0;  // as in EchoOutcome
        quint8 echoes = 1;
        State state = State::Empty;
    };

    // Where the numbering starts; only while nothing is in flight.
    void startAt(quint16 sequence);
    int size() const { return m_count; }
    // The sequence the next echo gets, making room for it; none while the window spans the whole sequence
    // space (the oldest echo still waits although 65,535 were sent after it).
    std::optional<quint16> nextFree();
    // How many more echoes the window takes.
    int room() const { return SequenceSpace - m_span; }
    // Takes the next sequence (nextFree() must have given it) for a new echo, to be filled in.
    Echo& insertNext();
    // The echo waiting with this sequence.
    Echo* find(quint16 sequence);
    // The settled echo that had this sequence last, while no newer echo took its slot.
    Echo* findSettled(quint16 sequence);
    // Settles a waiting echo; how (not Waiting or Empty) is kept with it.
    void release(Echo& echo, State settled);
    // The earliest sent echo still in flight, whose deadline comes first.
    Echo* oldest();

private:
    Echo& slotOf(quint16 sequence) { return m_slots[sequence & (m_slots.size() - 1)]; }
    void grow();

    std::vector<Echo> m_slots; // a power of two in size
    quint16 m_oldest = 0;      // the window: m_oldest .. m_oldest + m_span - 1
    int m_span = 0;
    int m_count = 0;
};
