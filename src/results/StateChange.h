#pragma once

#include "results/HostState.h"

#include <QtGlobal>

// A host's row moved to another state; the row itself holds the new one and since when.
struct StateChange {
    quint32 slot = 0;
    HostState previous = HostState::Unknown;
    qint64 previousSinceUs = 0; // when the state it left had begun, epoch µs; 0 when it had none
};
