#pragma once

#include "history/Outcome.h"

#include <algorithm>
#include <limits>

// An outcome in 8 bytes: the gap to the outcome before in milliseconds, and one word that holds either an
// answer's round trip and TTL or a failure's status. Round trips up to 4.19 s keep their microseconds; longer
// ones (timeouts reach 60 s) are kept in milliseconds, up to 69 minutes. Lossy on purpose: status codes outside
// 11001..11254 come back as "General failure", gaps past 49 days as 49 days.
struct PackedOutcome {
    static constexpr quint32 MaxMicroseconds = (1u << 22) - 1;
    static constexpr quint32 MaxRttUs = MaxMicroseconds * 1000u; // in milliseconds past MaxMicroseconds

    quint32 gapMs;
    quint32 word; // bit 31: failure; answer: bit 30 milliseconds, bits 29..8 the time, bits 7..0 the TTL

    static PackedOutcome pack(const Outcome& outcome, quint32 gapMs)
    {
        constexpr quint32 StatusBase = 11000;
        constexpr quint32 OtherFailure = 255;
        PackedOutcome p{gapMs, 0};
        if (outcome.answered()) {
            const quint32 rtt = std::min(outcome.rttUs, MaxRttUs);
            const quint32 field = rtt <= MaxMicroseconds ? rtt : (1u << 22) | (rtt / 1000u);
            p.word = field << 8 | outcome.ttl;
        } else {
            const bool known = outcome.status > StatusBase && outcome.status < StatusBase + OtherFailure;
            p.word = 1u << 31 | (known ? outcome.status - StatusBase : OtherFailure);
        }
        return p;
    }

    Outcome unpack(qint64 timeMs) const
    {
        Outcome o;
        o.timeMs = timeMs;
        if (word >> 31) {
            const quint32 code = word & 0xFF;
            o.status = code == 255 ? Outcome::GeneralFailure : 11000 + code;
        } else {
            const quint32 field = word >> 8 & ((1u << 23) - 1);
            o.rttUs = field >> 22 ? (field & MaxMicroseconds) * 1000u : field;
            o.ttl = static_cast<quint8>(word & 0xFF);
        }
        return o;
    }
};

static_assert(sizeof(PackedOutcome) == 8);
