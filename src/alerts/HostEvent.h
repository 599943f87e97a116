#pragma once

#include "results/HostState.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <optional>

// A host went down or came back.
struct HostEvent {
    QString host;
    HostState state = HostState::Unknown;
    QDateTime when;                     // down: the first failure of the streak; up: the first success
    std::optional<qint64> durationSecs; // up: how long the outage lasted
    QString status;                     // the last status text when the state changed

    bool operator==(const HostEvent&) const = default;
};

using HostEvents = QList<HostEvent>;

Q_DECLARE_METATYPE(HostEvent)
Q_DECLARE_METATYPE(HostEvents)
