#pragma once

#include "alerts/NotificationSender.h"

#include <QDBusConnection>

// Sends org.freedesktop.Notifications.Notify on the session bus without waiting for the answer.
class DBusNotificationSender : public NotificationSender
{
public:
    explicit DBusNotificationSender(QDBusConnection connection = QDBusConnection::sessionBus());

    void notify(const QString& summary, const QString& body) override;

private:
    QDBusConnection m_connection;
};
