#pragma once

#include <QByteArray>
#include <QString>

// The outcome code of one echo: 0 on success, otherwise one of the platform's IP status codes (its status
// base is 11000) or 200, the echo timeout.
enum class EchoStatus : quint32 {
    Success = 0,
    PingTimeout = 200,
    BufferTooSmall = 11001,
    DestNetUnreachable = 11002,
    DestHostUnreachable = 11003,
    DestProtUnreachable = 11004,
    DestPortUnreachable = 11005,
    NoResources = 11006,
    BadOption = 11007,
    HardwareError = 11008,
    PacketTooBig = 11009,
    RequestTimedOut = 11010,
    BadRequest = 11011,
    BadRoute = 11012,
    TtlExpiredTransit = 11013,
    TtlExpiredReassembly = 11014,
    ParameterProblem = 11015,
    SourceQuench = 11016,
    OptionTooBig = 11017,
    BadDestination = 11018,
    AddressDeleted = 11019,
    SpecificMtuChange = 11020,
    MtuChange = 11021,
    Unload = 11022,
    AddressAdded = 11023,
    GeneralFailure = 11050,
    Pending = 11255,
};

// The words the results table shows for a status; "Unknown message returned" for a code not listed.
QString statusText(EchoStatus status);

// A status as a metric label value, a word in snake case ("timeout", "host_unreachable"); each status has its
// own, and a code not listed is "status_" and its number, so no two codes ever share a series.
QByteArray statusReason(EchoStatus status);
