#pragma once

#include <QMetaType>
#include <QString>

// Whether a host answers, judged over several rounds so a single lost echo raises no alarm. Degraded hosts
// answer, but slowly or with loss; unreachable ones fail while a host they sit behind is down.
enum class HostState : quint8 { Unknown, Up, Down, Degraded, Unreachable };

// Up and degraded hosts answer; down and unreachable ones do not. Up/down streaks look only at this.
constexpr bool isAnswering(HostState state)
{
    return state == HostState::Up || state == HostState::Degraded;
}
constexpr bool isFailing(HostState state)
{
    return state == HostState::Down || state == HostState::Unreachable;
}

// How many outcomes in a row turn a host down or up.
struct StateThresholds {
    int downAfter = 3;
    int upAfter = 1;
};

QString hostStateName(HostState state);

Q_DECLARE_METATYPE(HostState)
