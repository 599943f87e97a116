#pragma once

#include <QDateTime>
#include <QtGlobal>
#include <array>
#include <utility>
#include <vector>

// What the metrics keep about one results row beyond the row itself: the round-trip times in histogram buckets,
// the failures by status, and whether the last outcome was a success.
struct HostCounters {
    // Upper bounds of the round-trip buckets in whole milliseconds (the engine measures whole milliseconds);
    // the echo timeout is 200 ms, so nothing lands above the last one but the +Inf bucket is kept for the format.
    static constexpr std::array<quint32, 7> BucketBoundsMs = {1, 5, 10, 25, 50, 100, 200};

    std::array<quint32, BucketBoundsMs.size()> buckets = {}; // per bucket, not yet cumulative
    std::vector<std::pair<quint32, quint64>> failures;       // status, count; few statuses per host
    // As the results table holds it, in local time. A scrape turns it into Unix time, once per host: rounds
    // usually come more often than scrapes, and with the time zone read once at start a conversion is cheap.
    QDateTime lastReply;
    bool lastOk = false;

    void addSuccess(quint32 rttMs, const QDateTime& when)
    {
        lastOk = true;
        lastReply = when;
        for (std::size_t i = 0; i < BucketBoundsMs.size(); ++i) {
            if (rttMs <= BucketBoundsMs[i]) {
                ++buckets[i];
                return;
            }
        }
    }
    void addFailure(quint32 status)
    {
        lastOk = false;
        for (auto& [code, count] : failures) {
            if (code == status) {
                ++count;
                return;
            }
        }
        failures.emplace_back(status, 1);
    }
};
