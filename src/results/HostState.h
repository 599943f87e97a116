#pragma once

#include <QMetaType>
#include <QString>

// Whether a host answers, judged over several rounds so a single lost echo raises no alarm.
enum class HostState : quint8 { Unknown, Up, Down };

// How many outcomes in a row turn a host down or up.
struct StateThresholds {
    int downAfter = 3;
    int upAfter = 1;
};

QString hostStateName(HostState state);

Q_DECLARE_METATYPE(HostState)
