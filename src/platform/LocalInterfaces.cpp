#include "platform/LocalInterfaces.h"

#include "platform/SocketAddress.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace LocalInterfaces
{

bool holdsAddress(const IpAddress& address)
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool found = false;
    for (const ifaddrs* i = list; i != nullptr && !found; i = i->ifa_next) {
        if (i->ifa_addr == nullptr)
            continue;
        const socklen_t size = i->ifa_addr->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        if (i->ifa_addr->sa_family == AF_INET || i->ifa_addr->sa_family == AF_INET6)
            found = SocketAddress::read(i->ifa_addr, size) == address;
    }
    freeifaddrs(list);
    return found;
}

bool hasInterface(const QString& name)
{
    return !name.isEmpty() && if_nametoindex(name.toLocal8Bit().constData()) != 0;
}

} // namespace LocalInterfaces
