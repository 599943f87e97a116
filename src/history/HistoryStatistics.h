#pragma once

#include "history/Outcome.h"

#include <QList>
#include <optional>

// What a run of outcomes says about a host. Times of day are milliseconds since the epoch; round-trip
// figures are milliseconds and empty without an answer (jitter needs two).
struct HistoryStatistics {
    int outcomes = 0;
    int answered = 0;
    int failed = 0;
    std::optional<double> minMs;
    std::optional<double> maxMs;
    std::optional<double> meanMs;
    std::optional<double> medianMs; // the mean of the middle two for an even count
    std::optional<double> p95Ms;    // nearest rank: the smallest time that 95% of the answers do not exceed
    std::optional<double> jitterMs; // mean absolute difference of consecutive answers' times
    std::optional<double> stddevMs; // of the answers' times, over all of them (as ping's mdev)
    // Replies after their echo was settled: too late (the echo failed) and second ones. Not outcomes: the
    // caller fills them in from the store.
    quint32 lateReplies = 0;
    quint32 duplicateReplies = 0;

    // The newest outcome and those of the same kind just before it.
    struct Streak {
        bool answering = false;
        int length = 0;
        qint64 sinceMs = 0;      // its first outcome
        qint64 untilMs = 0;      // the newest outcome
        bool fromOldest = false; // it reaches back to the oldest outcome looked at, so began then or earlier
    };
    std::optional<Streak> streak;

    // The longest run of failures: from its first failure to the answer after it, or to the newest outcome
    // while it lasts. Among runs of the same length in time the one with more failures counts.
    struct Outage {
        int failures = 0;
        qint64 sinceMs = 0;
        qint64 durationMs = 0;
        bool ongoing = false;
    };
    std::optional<Outage> longestOutage;

    // Failed share of the outcomes in percent; empty without outcomes.
    std::optional<double> lossPercent() const;
    // The mean opinion score of a voice call over this path, 1 (bad) to 4.5: the simplified E-model check_icmp
    // uses, from the mean round trip, the jitter (none with one answer) and the loss. Empty without outcomes.
    std::optional<double> mos() const;
    static double mos(double meanMs, double jitterMs, double lossPercent);

    // outcomes oldest first.
    static HistoryStatistics compute(const QList<Outcome>& outcomes);
};
