#pragma once

#include <QStringList>

// Address ranges wherever a host is entered: "10.1.0.0/24", "10.1.0.1-10.1.0.9", "10.1.0.1-9", "fd00::/120",
// "fd00::1-fd00::ff". A range stands for its addresses, one entry each, in address order.
namespace HostRange
{

// More addresses than this from one range are refused: a typo such as /8 for /24 must not start
// sixteen million pings.
constexpr int DefaultLimit = 65536;

struct Expansion {
    QStringList entries; // the addresses of a range; the entry itself when it is none; empty when refused
    QString error;       // why a range is refused, naming it
    bool wasRange = false;
};

// A quick look for list files: false means expand() gives the entry back unchanged. It looks for a "/" or
// "-" and for a leading digit or a colon, so a plain host name costs one scan.
bool looksLikeRange(const QString& entry);

Expansion expand(const QString& entry, int limit = DefaultLimit);

// "65,536": the counts in range messages.
QString groupedNumber(quint64 value);

} // namespace HostRange
