#include "IcmpReplyParser.h"

#include <cstddef>
#include <cstdint>

// Arbitrary bytes off the wire, as a raw packet, a ping socket reply with its control data, or an error
// queue entry: parsing never reads out of bounds, and nothing that is not a reply or an error is taken.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t split = size > 1 ? data[0] % size : 0;
    const QByteArray packet(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(split > 0 ? split - 1 : 0));
    const QByteArray control(reinterpret_cast<const char*>(data + (split > 0 ? split : 1)),
                             static_cast<qsizetype>(size - (split > 0 ? split : 1)));
    const QByteArray whole(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const auto raw = IcmpReplyParser::parseRawPacket(whole);
    if (raw.kind == IcmpReplyParser::Event::Kind::Reply && whole.size() < 28)
        __builtin_trap(); // a reply needs at least an IP header and an ICMP header
    IcmpReplyParser::parseDatagramReply(packet, 0x7F000001, control);
    IcmpReplyParser::parseErrorQueue(packet, 0x7F000001, control);
    const int ttl = IcmpReplyParser::ttlFromControl(control);
    if (ttl < -1 || ttl > 255)
        __builtin_trap();
    return 0;
}
