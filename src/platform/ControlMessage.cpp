#include "platform/ControlMessage.h"

#include <cstring>
#include <sys/socket.h>

namespace
{

constexpr size_t alignControl(size_t length)
{
    return (length + sizeof(size_t) - 1) & ~(sizeof(size_t) - 1);
}

} // namespace

const char* ControlMessage::find(const QByteArray& control, int level, int type, size_t& payloadLength)
{
    const size_t total = static_cast<size_t>(control.size());
    const size_t headerLength = alignControl(sizeof(cmsghdr));
    size_t offset = 0;
    while (offset + sizeof(cmsghdr) <= total) {
        cmsghdr header;
        std::memcpy(&header, control.constData() + offset, sizeof header);
        if (header.cmsg_len < headerLength || header.cmsg_len > total - offset)
            return nullptr;
        if (header.cmsg_level == level && header.cmsg_type == type) {
            payloadLength = header.cmsg_len - headerLength;
            return control.constData() + offset + headerLength;
        }
        offset += alignControl(header.cmsg_len);
    }
    return nullptr;
}

int ControlMessage::hopCount(const QByteArray& control, int level, int type)
{
    size_t length = 0;
    const char* payload = find(control, level, type, length);
    if (payload == nullptr || length < sizeof(int))
        return -1;
    int value = 0;
    std::memcpy(&value, payload, sizeof value);
    return value >= 0 && value <= 255 ? value : -1;
}
