#pragma once

#include "platform/LinuxIcmpSocket.h"

#include <QtGlobal>
#include <memory>

// The socket kind a test run asks for through VANTREL_ICMP_KIND (raw, datagram; anything else: either).
inline LinuxIcmpSocket::Preference RequestedPreference()
{
    const QByteArray kind = qgetenv("VANTREL_ICMP_KIND");
    if (kind == "raw")
        return LinuxIcmpSocket::Preference::RawOnly;
    if (kind == "datagram")
        return LinuxIcmpSocket::Preference::DatagramOnly;
    return LinuxIcmpSocket::Preference::Any;
}

inline std::unique_ptr<LinuxIcmpSocket> RequestedSocket(IpFamily family = IpFamily::IPv4)
{
    return std::make_unique<LinuxIcmpSocket>(RequestedPreference(), family);
}
