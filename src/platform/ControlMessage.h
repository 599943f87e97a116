#pragma once

#include <QByteArray>
#include <cstddef>

// Reads the ancillary data of a received datagram exactly as the kernel laid it out.
class ControlMessage
{
public:
    // The payload of the first control message of level/type with its length, or nullptr. Walked by hand with
    // bounds checks: the CMSG macros trust cmsg_len blindly.
    static const char* find(const QByteArray& control, int level, int type, size_t& payloadLength);
    // An int-valued message (IP_TTL, IPV6_HOPLIMIT) holding 0-255, or -1 when there is none.
    static int hopCount(const QByteArray& control, int level, int type);
};
