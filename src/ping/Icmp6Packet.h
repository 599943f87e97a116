#pragma once

#include "ping/IcmpPacket.h"

// ICMPv6 (RFC 4443): the same header layout as ICMP, other type numbers, and a checksum over a pseudo-header
// that the kernel fills in on sending and checks on receiving.
class Icmp6Packet
{
public:
    static constexpr quint8 DestUnreachableType = 1;
    static constexpr quint8 PacketTooBigType = 2;
    static constexpr quint8 TimeExceededType = 3;
    static constexpr quint8 ParameterProblemType = 4;
    static constexpr quint8 EchoRequestType = 128;
    static constexpr quint8 EchoReplyType = 129;
    static constexpr int Ipv6HeaderSize = 40;
    static constexpr quint8 Icmp6NextHeader = 58;

    // Type 128 code 0 with identifier, sequence and payload; the checksum is left to the kernel.
    static QByteArray echoRequest(quint16 identifier, quint16 sequence, const QByteArray& payload)
    {
        QByteArray packet;
        writeEchoRequest(packet, identifier, sequence, payload);
        return packet;
    }
    // The same, written into packet: its buffer is reused when it is packet's own.
    static void writeEchoRequest(QByteArray& packet, quint16 identifier, quint16 sequence, const QByteArray& payload)
    {
        IcmpPacket::writeEchoRequest(packet, identifier, sequence, payload);
        packet[0] = static_cast<char>(EchoRequestType);
        packet[2] = packet[3] = '\0';
    }
};
