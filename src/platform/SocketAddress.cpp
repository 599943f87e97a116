#include "platform/SocketAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

IpAddress SocketAddress::read(const void* bytes, size_t size)
{
    sa_family_t family = AF_UNSPEC;
    if (size < sizeof family)
        return {};
    std::memcpy(&family, bytes, sizeof family);
    if (family == AF_INET && size >= sizeof(sockaddr_in)) {
        sockaddr_in address;
        std::memcpy(&address, bytes, sizeof address);
        return IpAddress::fromIpv4(ntohl(address.sin_addr.s_addr));
    }
    if (family == AF_INET6 && size >= sizeof(sockaddr_in6)) {
        sockaddr_in6 address;
        std::memcpy(&address, bytes, sizeof address);
        return IpAddress::fromIpv6(&address.sin6_addr);
    }
    return {};
}

socklen_t SocketAddress::write(const IpAddress& address, quint32 scopeId, sockaddr_storage& to)
{
    to = {};
    if (address.family() == IpFamily::IPv6) {
        auto* to6 = reinterpret_cast<sockaddr_in6*>(&to);
        to6->sin6_family = AF_INET6;
        std::memcpy(&to6->sin6_addr, address.bytes().data(), sizeof to6->sin6_addr);
        to6->sin6_scope_id = scopeId;
        return sizeof(sockaddr_in6);
    }
    auto* to4 = reinterpret_cast<sockaddr_in*>(&to);
    to4->sin_family = AF_INET;
    to4->sin_addr.s_addr = htonl(address.toIpv4());
    return sizeof(sockaddr_in);
}
