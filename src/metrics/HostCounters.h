#pragma once

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
    qint64 lastReplyMs = -1; // Unix time; converted once per reply, since a scrape converting every host's local
                             // time would spend most of its time in time-zone lookups
    bool lastOk = false;

    void addSuccess(quint32 rttMs, qint64 whenMs)
    {
        lastOk = true;
        lastReplyMs = whenMs;
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
