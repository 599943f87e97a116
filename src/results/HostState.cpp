#include "results/HostState.h"

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
