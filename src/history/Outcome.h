#pragma once

#include <QtGlobal>

// One echo's outcome as the history hands it out.
struct Outcome {
    static constexpr quint32 GeneralFailure = 11050; // the IP status code for a failure of no known kind

    qint64 timeMs = 0;  // milliseconds since the epoch
    quint32 status = 0; // 0 for an answer, else the IP status code
    quint32 rttUs = 0;  // round-trip time in microseconds; 0 for a failure
    quint8 ttl = 0;

    bool answered() const { return status == 0; }
    double rttMs() const { return rttUs / 1000.0; }
    bool operator==(const Outcome&) const = default;
};
