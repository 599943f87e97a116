#pragma once

#include "EchoService.h"

class MessageBoxes;

// Placeholder until the ICMP engine lands: every echo fails.
class LinuxEchoService : public QObject, public EchoService {
    Q_OBJECT
public:
    explicit LinuxEchoService(MessageBoxes& boxes, QObject* parent = nullptr);
    Ticket myping(const QString& addressText, QObject* context, Done done) override;
    bool cancel(Ticket ticket) override;

private:
    Ticket m_next = 1;
};
