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

double HistoryStatistics::mos(double meanMs, double jitterMs, double lossPercent)
{
    // Jitter weighs double, and 10 ms stand for the codecs.
    const double effectiveLatency = meanMs + jitterMs * 2 + 10;
    double r = effectiveLatency < 160 ? 93.2 - effectiveLatency / 40 : 93.2 - (effectiveLatency - 120) / 10;
    r -= lossPercent * 2.5;
    if (r < 0)
        return 1;
    return std::clamp(1 + 0.035 * r + 0.000007 * r * (r - 60) * (100 - r), 1.0, 4.5);
}

std::optional<double> HistoryStatistics::mos() const
{
    if (outcomes == 0)
        return std::nullopt;
    // Without an answer the loss alone takes the score to the bottom.
    return mos(meanMs.value_or(0), jitterMs.value_or(0), *lossPercent());
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
        const double mean = static_cast<double>(sum) / static_cast<double>(n);
        s.meanMs = ms(mean);
        // A second pass over the answers: a sum of squares less the squared mean loses the spread of slow
        // but steady hosts.
        double squares = 0;
        for (const quint32 rtt : rtts)
            squares += (rtt - mean) * (rtt - mean);
        s.stddevMs = ms(std::sqrt(squares / static_cast<double>(n)));
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
