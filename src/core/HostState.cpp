#include "core/HostState.h"

#include <algorithm>

bool HostStateTrack::record(bool success, const QDateTime& when, const StateThresholds& thresholds)
{
    if (streak == 0 || streakOfSuccesses != success) {
        streak = 0;
        streakOfSuccesses = success;
        streakStart = when;
    }
    ++streak;
    const HostState target = success ? HostState::Up : HostState::Down;
    const int needed = success ? thresholds.upAfter : thresholds.downAfter;
    if (state == target || streak < std::max(needed, 1))
        return false;
    state = target;
    since = streakStart;
    return true;
}

QString hostStateName(HostState state)
{
    switch (state) {
    case HostState::Up:
        return QStringLiteral("up");
    case HostState::Down:
        return QStringLiteral("down");
    default:
        return QStringLiteral("unknown");
    }
}
