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

    // outcomes oldest first.
    static HistoryStatistics compute(const QList<Outcome>& outcomes);
};
