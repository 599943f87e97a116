#pragma once

#include "IcmpPacket.h"
#include "IcmpSocket.h"

#include <QList>

// An ICMP socket whose traffic the test writes: it records what is sent and hands out what the test queued.
class ScriptedIcmpSocket : public IcmpSocket
{
public:
    struct Sent {
        quint32 destination;
        QByteArray packet;
    };

    bool open() override
    {
        ++opens;
        m_kind = openSucceeds ? openKind : Kind::None;
        return openSucceeds;
    }
    Kind kind() const override { return m_kind; }
    int fd() const override { return -1; }
    quint16 localIdentifier() const override { return m_kind == Kind::Datagram ? identifier : 0; }
    QString openError() const override { return openSucceeds ? QString() : QStringLiteral("Operation not permitted"); }

    int send(quint32 destination, const QByteArray& packet) override
    {
        ++sendCalls;
        const int error = sendErrors.isEmpty() ? 0 : sendErrors.takeFirst();
        if (error == 0)
            sent.append({destination, packet});
        return error;
    }
    bool receive(Message& message) override { return take(incoming, message); }
    bool receiveError(Message& message) override { return take(errors, message); }

    // Queues a datagram and tells the engine, as the socket notifier would.
    void arrive(const QByteArray& data, quint32 peer = 0, const QByteArray& control = {})
    {
        incoming.append({data, peer, control});
        emit readyRead();
    }
    void arriveError(const QByteArray& data, quint32 peer, const QByteArray& control)
    {
        errors.append({data, peer, control});
        emit readyRead();
    }

    quint16 sequenceOf(int i) const { return IcmpPacket::read16(sent.at(i).packet.constData() + 6); }
    quint16 identifierOf(int i) const { return IcmpPacket::read16(sent.at(i).packet.constData() + 4); }

    Kind openKind = Kind::Raw;
    bool openSucceeds = true;
    quint16 identifier = 4242;
    int opens = 0;
    int sendCalls = 0;
    QList<int> sendErrors;
    QList<Sent> sent;
    QList<Message> incoming;
    QList<Message> errors;

private:
    static bool take(QList<Message>& queue, Message& message)
    {
        if (queue.isEmpty())
            return false;
        message = queue.takeFirst();
        return true;
    }
    Kind m_kind = Kind::None;
};
