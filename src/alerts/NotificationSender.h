#pragma once

#include <QString>

// Shows a desktop notification. Without a notification service nothing happens and nothing is reported.
class NotificationSender
{
public:
    virtual ~NotificationSender() = default;
    virtual void notify(const QString& summary, const QString& body) = 0;
};
