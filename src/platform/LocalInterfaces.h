#pragma once

#include "platform/IpAddress.h"

#include <QString>

// What this machine's network interfaces are, read from the kernel when asked.
namespace LocalInterfaces
{
// True when an interface of this machine holds the address.
bool holdsAddress(const IpAddress& address);
// True when the machine has an interface of this name.
bool hasInterface(const QString& name);
} // namespace LocalInterfaces
