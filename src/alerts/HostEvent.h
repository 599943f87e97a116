#pragma once

#include "results/HostState.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <optional>

// A host changed state, or started or stopped flapping.
struct HostEvent {
    enum class Kind : quint8 {
        State,           // the host is now in `state`
        FlappingStarted, // it changed state too often: its changes are kept from notifications and alerts
        FlappingEnded,   // it was stable long enough for that to end
        Moved,           // its name was looked up to another address ("OLD -> NEW" in status); logged only
    };

    QString host;
    HostState state = HostState::Unknown;
    QDateTime when;                     // down: the first failure of the streak; up: the first success
    std::optional<qint64> durationSecs; // up: how long the outage lasted
    QString status;                     // the last status text when the state changed
    Kind kind = Kind::State;
    HostState previous = HostState::Unknown;
    // Logged and shown, but nobody is notified or alerted: the host is silenced or flapping.
    bool quiet = false;

    // The word for the event in lines, the log and its CSV: the state, or "flapping", "stable" and "moved".
    QString name() const;
    // What the event is named by name(); none for a word that names no event.
    static std::optional<HostEvent> fromName(const QString& name);

    // Whether people are notified or alerted of it: not of quiet events, nor of a host unreachable behind a
    // down one or of its coming back, since its parent's events stand for it.
    bool concernsPeople() const
    {
        return !quiet && kind != Kind::Moved &&
               (kind != Kind::State ||
                (state != HostState::Unreachable && !(isAnswering(state) && previous == HostState::Unreachable)));
    }

    bool operator==(const HostEvent&) const = default;
};

using HostEvents = QList<HostEvent>;

Q_DECLARE_METATYPE(HostEvent)
Q_DECLARE_METATYPE(HostEvents)
