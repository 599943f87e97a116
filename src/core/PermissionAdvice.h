#pragma once

#include <QString>

// What to tell the user when the system does not let the program send ICMP echoes, and how to permit it.
class PermissionAdvice
{
public:
    // reason is the system's error text (LinuxEchoService::unavailableReason).
    static QString text(const QString& reason);
};
