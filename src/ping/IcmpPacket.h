#pragma once

#include <QByteArray>
#include <QtGlobal>

// Builds the echo request we send and reads the fields every ICMP message starts with. No sockets here.
class IcmpPacket
{
public:
    static constexpr int HeaderSize = 8;
    static constexpr quint8 EchoReplyType = 0;
    static constexpr quint8 DestUnreachableType = 3;
    static constexpr quint8 SourceQuenchType = 4;
    static constexpr quint8 EchoRequestType = 8;
    static constexpr quint8 TimeExceededType = 11;
    static constexpr quint8 ParameterProblemType = 12;

    // The payload of every echo of the program.
    static QByteArray echoPayload();
    // Type 8 code 0 with identifier, sequence and payload, checksum filled in.
    static QByteArray echoRequest(quint16 identifier, quint16 sequence, const QByteArray& payload);
    // The same, written into packet: its buffer is reused when it is packet's own.
    static void writeEchoRequest(QByteArray& packet, quint16 identifier, quint16 sequence, const QByteArray& payload);
    // The internet checksum (one's complement of the one's complement sum of 16-bit words).
    static quint16 checksum(const char* data, qsizetype size);
    static quint16 checksum(const QByteArray& bytes) { return checksum(bytes.constData(), bytes.size()); }

    // Big-endian reads; the caller has checked that the bytes are there.
    static quint16 read16(const char* data) { return static_cast<quint16>(byteAt(data, 0) << 8 | byteAt(data, 1)); }
    static quint32 read32(const char* data) { return quint32(read16(data)) << 16 | read16(data + 2); }
    static quint8 byteAt(const char* data, qsizetype index) { return static_cast<quint8>(data[index]); }
};
