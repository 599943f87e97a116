#include "history/HistoryStatistics.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
double ms(double microseconds)
{
    return microseconds / 1000.0;
}
} // namespace

std::optional<double> HistoryStatistics::lossPercent() const
{
    if (outcomes == 0)
        return std::nullopt;
    return 100.0 * failed / outcomes;
}

HistoryStatistics HistoryStatistics::compute(const QList<Outcome>& outcomes)
{
    HistoryStatistics s;
    s.outcomes = static_cast<int>(outcomes.size());
    if (outcomes.isEmpty())
        return s;

    std::vector<quint32> rtts;
    rtts.reserve(outcomes.size());
    quint64 sum = 0;
    quint64 jitterSum = 0;
    std::optional<Outage> run;
    auto closeRun = [&s, &run](qint64 endMs, bool ongoing) {
        if (!run)
            return;
        run->durationMs = endMs - run->sinceMs;
        run->ongoing = ongoing;
        const auto& best = s.longestOutage;
        if (!best || run->durationMs > best->durationMs ||
            (run->durationMs == best->durationMs && run->failures > best->failures))
            s.longestOutage = run;
        run.reset();
    };
    for (const Outcome& o : outcomes) {
        if (o.answered()) {
            if (!rtts.empty())
                jitterSum += o.rttUs > rtts.back() ? o.rttUs - rtts.back() : rtts.back() - o.rttUs;
            rtts.push_back(o.rttUs);
            sum += o.rttUs;
            closeRun(o.timeMs, false);
        } else {
            if (!run)
                run = Outage{0, o.timeMs, 0, false};
            ++run->failures;
        }
    }
    closeRun(outcomes.last().timeMs, true);

    s.answered = static_cast<int>(rtts.size());
    s.failed = s.outcomes - s.answered;
    if (rtts.size() > 1)
        s.jitterMs = ms(static_cast<double>(jitterSum) / static_cast<double>(rtts.size() - 1));
    if (!rtts.empty()) {
        const std::size_t n = rtts.size();
        s.meanMs = ms(static_cast<double>(sum) / static_cast<double>(n));
        std::sort(rtts.begin(), rtts.end());
        s.minMs = ms(rtts.front());
        s.maxMs = ms(rtts.back());
        s.medianMs = n % 2 ? ms(rtts[n / 2]) : ms((double(rtts[n / 2 - 1]) + double(rtts[n / 2])) / 2.0);
        // Rank ceil(0.95 n), counted in integers so that 20 answers give rank 19 exactly.
        const std::size_t rank = (95 * n + 99) / 100;
        s.p95Ms = ms(rtts[rank - 1]);
    }

    Streak streak;
    streak.answering = outcomes.last().answered();
    streak.untilMs = outcomes.last().timeMs;
    qsizetype first = outcomes.size() - 1;
    while (first > 0 && outcomes.at(first - 1).answered() == streak.answering)
        --first;
    streak.length = static_cast<int>(outcomes.size() - first);
    streak.sinceMs = outcomes.at(first).timeMs;
    streak.fromOldest = first == 0;
    s.streak = streak;
    return s;
}
