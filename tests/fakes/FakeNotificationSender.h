#pragma once

#include "alerts/NotificationSender.h"

#include <QList>
#include <QPair>

class FakeNotificationSender : public NotificationSender
{
public:
    void notify(const QString& summary, const QString& body) override { sent.append({summary, body}); }
    QList<QPair<QString, QString>> sent;
};
