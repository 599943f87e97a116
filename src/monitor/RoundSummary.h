#pragma once

#include <QMetaType>

// What one round did, for progress reports and benchmarks.
struct RoundSummary {
    int number = 0;
    int hosts = 0;  // entries in the host list when the round started
    int pinged = 0; // echoes whose outcome was recorded
    int successes = 0;
    int failures = 0;
    qint64 durationMs = 0;
};

Q_DECLARE_METATYPE(RoundSummary)
