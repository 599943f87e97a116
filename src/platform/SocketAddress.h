#pragma once

#include "platform/IpAddress.h"

#include <cstddef>
#include <sys/socket.h>

// IPv4 and IPv6 socket addresses as the kernel takes and gives them.
class SocketAddress
{
public:
    // The address in the first size bytes when they hold a whole sockaddr_in or sockaddr_in6; null otherwise.
    static IpAddress read(const void* bytes, size_t size);
    // Fills to with address (scopeId: the interface of a link-local IPv6 address, 0 for none) and returns
    // its length.
    static socklen_t write(const IpAddress& address, quint32 scopeId, sockaddr_storage& to);
};
