#include "ping/IcmpPacket.h"

#include <cstring>

QByteArray IcmpPacket::echoPayload()
{
    return QByteArrayLiteral("Echo This");
}

QByteArray IcmpPacket::echoRequest(quint16 identifier, quint16 sequence, const QByteArray& payload)
{
    QByteArray packet;
    writeEchoRequest(packet, identifier, sequence, payload);
    return packet;
}

void IcmpPacket::writeEchoRequest(QByteArray& packet, quint16 identifier, quint16 sequence, const QByteArray& payload)
{
    packet.resize(HeaderSize + payload.size());
    char* bytes = packet.data();
    bytes[0] = static_cast<char>(EchoRequestType);
    bytes[1] = bytes[2] = bytes[3] = '\0';
    bytes[4] = static_cast<char>(identifier >> 8);
    bytes[5] = static_cast<char>(identifier & 0xFF);
    bytes[6] = static_cast<char>(sequence >> 8);
    bytes[7] = static_cast<char>(sequence & 0xFF);
    std::memcpy(bytes + HeaderSize, payload.constData(), static_cast<size_t>(payload.size()));
    const quint16 sum = checksum(packet);
    bytes[2] = static_cast<char>(sum >> 8);
    bytes[3] = static_cast<char>(sum & 0xFF);
}

quint16 IcmpPacket::checksum(const char* data, qsizetype size)
{
    quint32 sum = 0;
    qsizetype i = 0;
    for (; i + 1 < size; i += 2)
        sum += read16(data + i);
    // An odd last byte counts as the high half of a word padded with zero.
    if (i < size)
        sum += quint32(byteAt(data, i)) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<quint16>(~sum & 0xFFFF);
}
