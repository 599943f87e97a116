#include "results/HostState.h"

QString hostStateName(HostState state)
{
    switch (state) {
    case HostState::Up:
        return QStringLiteral("up");
    case HostState::Down:
        return QStringLiteral("down");
    case HostState::Degraded:
        return QStringLiteral("degraded");
    case HostState::Unreachable:
        return QStringLiteral("unreachable");
    default:
        return QStringLiteral("unknown");
    }
}
