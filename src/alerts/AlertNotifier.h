#pragma once

#include "alerts/HostEvent.h"

class NotificationSender;

// One desktop notification per event; a round with many changes gives a single notification, so a
// network-wide outage does not bury the desktop.
class AlertNotifier
{
public:
    struct Notification {
        QString summary;
        QString body;
        bool operator==(const Notification&) const = default;
    };

    // More events than this in one round are grouped.
    static constexpr int GroupAbove = 3;
    // Names listed in a grouped notification before "…".
    static constexpr int NamesListed = 3;

    explicit AlertNotifier(NotificationSender& sender) : m_sender(sender) {}

    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEnabled() const { return m_enabled; }
    void notify(const HostEvents& events);

    static QList<Notification> notificationsFor(const HostEvents& events);

private:
    NotificationSender& m_sender;
    bool m_enabled = true;
};
