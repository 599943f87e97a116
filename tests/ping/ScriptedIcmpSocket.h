#pragma once

#include "ping/IcmpPacket.h"
#include "platform/IcmpSocket.h"
#include "tests/fakes/FakePreciseClock.h"

#include <QList>

// An ICMP socket whose traffic the test writes: it records what is sent and hands out what the test queued.
// What arrives is stamped with the clock's wall time, as the kernel stamps what it receives.
class ScriptedIcmpSocket : public IcmpSocket
{
public:
    struct Sent {
        IpAddress destination;
        quint32 scopeId;
        QByteArray packet;
    };

    explicit ScriptedIcmpSocket(const FakePreciseClock& clock) : m_clock(clock) {}

    bool open() override
    {
        ++opens;
        m_kind = openSucceeds ? openKind : Kind::None;
        return openSucceeds;
    }
    Kind kind() const override { return m_kind; }
    IpFamily family() const override { return socketFamily; }
    quint16 localIdentifier() const override { return m_kind == Kind::Datagram ? identifier : 0; }
    QString openError() const override { return openSucceeds ? QString() : QStringLiteral("Operation not permitted"); }
    bool familyUnsupported() const override { return !openSucceeds && familyMissing; }

    int send(const IpAddress& destination, quint32 scopeId, const QByteArray& packet) override
    {
        ++sendCalls;
        const int error = sendErrors.isEmpty() ? 0 : sendErrors.takeFirst();
        if (error == 0)
            sent.append({destination, scopeId, packet});
        return error;
    }
    bool receive(Message& message) override { return take(incoming, message); }
    bool receiveError(Message& message) override { return take(errors, message); }

    // Queues a datagram received now and tells the engine, as the socket notifier would.
    void arrive(const QByteArray& data, const IpAddress& peer = {}, const QByteArray& control = {})
    {
        arriveUnread(data, peer, control);
        emit readyRead();
    }
    // Queues a datagram received now without telling: the engine's thread has not got round to it.
    void arriveUnread(const QByteArray& data, const IpAddress& peer = {}, const QByteArray& control = {})
    {
        incoming.append(received(data, peer, control));
    }
    void arriveError(const QByteArray& data, const IpAddress& peer, const QByteArray& control)
    {
        errors.append(received(data, peer, control));
        emit readyRead();
    }

    quint16 sequenceOf(int i) const { return IcmpPacket::read16(sent.at(i).packet.constData() + 6); }
    quint16 identifierOf(int i) const { return IcmpPacket::read16(sent.at(i).packet.constData() + 4); }

    Kind openKind = Kind::Raw;
    IpFamily socketFamily = IpFamily::IPv4;
    bool openSucceeds = true;
    bool familyMissing = false; // with openSucceeds false: the system has no such family
    quint16 identifier = 4242;
    int opens = 0;
    int sendCalls = 0;
    QList<int> sendErrors;
    QList<Sent> sent;
    QList<Message> incoming;
    QList<Message> errors;

private:
    Message received(const QByteArray& data, const IpAddress& peer, const QByteArray& control) const
    {
        Message message;
        message.data = data;
        message.peer = peer;
        message.control = control;
        message.receivedRealtimeNs = m_clock.realtime;
        return message;
    }
    static bool take(QList<Message>& queue, Message& message)
    {
        if (queue.isEmpty())
            return false;
        message = queue.takeFirst();
        return true;
    }
    const FakePreciseClock& m_clock;
    Kind m_kind = Kind::None;
};
