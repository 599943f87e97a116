#include "IcmpPacket.h"

QByteArray IcmpPacket::echoPayload()
{
    return QByteArrayLiteral("Echo This");
}

QByteArray IcmpPacket::echoRequest(quint16 identifier, quint16 sequence, const QByteArray& payload)
{
    QByteArray packet(HeaderSize, '\0');
    packet[0] = static_cast<char>(EchoRequestType);
    packet[4] = static_cast<char>(identifier >> 8);
    packet[5] = static_cast<char>(identifier & 0xFF);
    packet[6] = static_cast<char>(sequence >> 8);
    packet[7] = static_cast<char>(sequence & 0xFF);
    packet += payload;
    const quint16 sum = checksum(packet);
    packet[2] = static_cast<char>(sum >> 8);
    packet[3] = static_cast<char>(sum & 0xFF);
    return packet;
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
