#pragma once

#include <QString>
#include <optional>

class IpAddress;

// How echoes are sent: the same settings for the window, headless mode and the probe. The defaults are the
// classic behaviour: one echo of "Echo This" per host and round, 200 ms to answer, the system's TTL, no
// don't-fragment, from the address the system picks, all of a round's echoes at once.
struct PingOptions {
    static constexpr int DefaultTimeoutMs = 200;
    static constexpr int MinTimeoutMs = 10;
    static constexpr int MaxTimeoutMs = 60000;
    static constexpr int MaxCount = 100;
    static constexpr int DefaultIntervalMs = 10;
    static constexpr int MaxIntervalMs = 60000;
    // The largest payload of one echo: 65,535 bytes of IPv4 packet less its 20-byte header and the 8 of ICMP.
    static constexpr int MaxPayloadIpv4 = 65507;
    // IPv6 counts its payload length without its own 40-byte header.
    static constexpr int MaxPayloadIpv6 = 65527;
    static constexpr int MaxRatePps = 1000000;
    // Linux keeps interface names in 16 bytes with the terminating NUL.
    static constexpr int MaxInterfaceName = 15;

    // How a message names a value: as its command-line option, or as its label in the window.
    enum class Naming { Options, Labels };

    // The accepted range of one number, and the names its message uses; the command line and the window
    // both take their ranges from here.
    struct Limit {
        const char* option;
        const char* label;
        int low;
        int high;
        const char* unit; // with its leading space; may be empty
        bool contains(qint64 n) const { return n >= low && n <= high; }
        // "--timeout must be between 10 and 60000 ms", or with the label for the window.
        QString message(Naming naming = Naming::Options) const;
    };
    static constexpr Limit TimeoutLimit{"--timeout", "The timeout", MinTimeoutMs, MaxTimeoutMs, " ms"};
    static constexpr Limit CountLimit{"--count", "The number of echoes", 1, MaxCount, ""};
    static constexpr Limit IntervalLimit{"--interval", "The interval", 1, MaxIntervalMs, " ms"};
    static constexpr Limit SizeLimit{"--size", "The payload size", 0, MaxPayloadIpv4, " bytes"};
    static constexpr Limit TtlLimit{"--ttl", "The TTL", 1, 255, ""};
    static constexpr Limit RateLimit{"--rate", "The rate", 1, MaxRatePps, " echoes per second"};

    int timeoutMs = DefaultTimeoutMs;
    int count = 1;                      // echoes per host and round
    int intervalMs = DefaultIntervalMs; // between the echoes of one host within a round
    std::optional<int> payloadBytes;    // none: the 9 bytes "Echo This"; else that text repeated or cut
    bool dontFragment = false;          // IPv4 DF bit; for IPv6, no fragmentation by the sender
    std::optional<int> ttl;             // TTL (IPv4) or hop limit (IPv6); none: the system's
    QString source;                     // the address to send from; empty: the system's choice
    QString interface;                  // the interface to send through; empty: any
    std::optional<int> ratePps;         // at most this many echoes a second over a round; none: no limit

    bool isDefault() const { return *this == PingOptions{}; }
    bool operator==(const PingOptions&) const = default;

    // A message naming the option and its accepted range when a value is out of range; empty when all are fine.
    // Whether the source address and the interface exist is sendFromProblem's to say.
    QString check(Naming naming = Naming::Options) const;
    // Empty when this machine has the source address and the interface asked for (those given), with the
    // parsed source in address; else the message. Asks the system, so only for options about to be used.
    QString sendFromProblem(IpAddress& address, Naming naming = Naming::Options) const;
    // Empty when text is an IPv4 or IPv6 literal (an IPv6 zone is taken as written), else the message.
    static QString sourceProblem(const QString& text, Naming naming = Naming::Options);
    // Empty when text can name a Linux network interface, else the message.
    static QString interfaceProblem(const QString& text, Naming naming = Naming::Options);
};
