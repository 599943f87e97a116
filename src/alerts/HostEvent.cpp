#include "alerts/HostEvent.h"

QString HostEvent::name() const
{
    switch (kind) {
    case Kind::FlappingStarted:
        return QStringLiteral("flapping");
    case Kind::FlappingEnded:
        return QStringLiteral("stable");
    case Kind::Moved:
        return QStringLiteral("moved");
    default:
        return hostStateName(state);
    }
}

std::optional<HostEvent> HostEvent::fromName(const QString& name)
{
    HostEvent e;
    if (name == QLatin1String("flapping")) {
        e.kind = Kind::FlappingStarted;
        return e;
    }
    if (name == QLatin1String("stable")) {
        e.kind = Kind::FlappingEnded;
        return e;
    }
    if (name == QLatin1String("moved")) {
        e.kind = Kind::Moved;
        return e;
    }
    for (HostState state : {HostState::Up, HostState::Down, HostState::Degraded, HostState::Unreachable}) {
        if (name == hostStateName(state)) {
            e.state = state;
            return e;
        }
    }
    return std::nullopt;
}
