#pragma once

#include <QDateTime>
#include <QMetaType>

// Whether a host answers, judged over several rounds so a single lost echo raises no alarm.
enum class HostState : quint8 { Unknown, Up, Down };

// How many outcomes in a row turn a host down or up.
struct StateThresholds {
    int downAfter = 3;
    int upAfter = 1;
};

// One host's state and the streak of equal outcomes that may change it.
struct HostStateTrack {
    HostState state = HostState::Unknown;
    QDateTime since; // when the current state began: the first outcome of the streak that led to it
    int streak = 0;  // outcomes in a row equal to the last one
    bool streakOfSuccesses = false;
    QDateTime streakStart;

    // Takes one outcome; true when the state changed.
    bool record(bool success, const QDateTime& when, const StateThresholds& thresholds);
};

QString hostStateName(HostState state);

Q_DECLARE_METATYPE(HostState)
