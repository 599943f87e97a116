#pragma once

#include "platform/IpAddress.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// One ICMP socket shared by every echo. The engine talks to it through this seam so tests can script the
// packets that arrive and the errors that sending meets. One socket serves one address family (ICMP for IPv4,
// ICMPv6 for IPv6); the engine holds one of each.
class IcmpSocket : public QObject
{
    Q_OBJECT
public:
    // Datagram: the unprivileged "ping socket" (ICMP header and payload only, identifier owned by the kernel).
    // Raw: needs CAP_NET_RAW, sees every ICMP packet of the host together with its IP header.
    enum class Kind { None, Datagram, Raw };

    // What one receive call hands back: the bytes, the peer address and the ancillary data
    // exactly as the kernel wrote it, plus what the socket itself learned about the read.
    struct Message {
        QByteArray data;
        IpAddress peer;
        QByteArray control;
        // When the kernel received the datagram (SO_TIMESTAMPNS, CLOCK_REALTIME ns); 0 when it gave no stamp.
        qint64 receivedRealtimeNs = 0;
        // The kernel cut the datagram or its control data (MSG_TRUNC, MSG_CTRUNC): not to be trusted.
        bool truncated = false;
        // An unexpected receive error (errno); nothing else is filled in then.
        int error = 0;
    };

    using QObject::QObject;

    // Opens the socket; false when no kind could be opened, with the reason in openError().
    virtual bool open() = 0;
    // Closes it, so that the next open() takes the options set since.
    virtual void close() {}
    virtual Kind kind() const = 0;
    virtual IpFamily family() const = 0;
    // The echo identifier the kernel puts on our datagram echoes (the local port); 0 for raw sockets.
    virtual quint16 localIdentifier() const = 0;
    virtual QString openError() const = 0;
    // The last open failed because the system has no such address family (IPv6 switched off), which no
    // permission would change.
    virtual bool familyUnsupported() const { return false; }
    // The TTL (IPv4) or hop limit (IPv6) of the echoes sent from now on, 1 to 255; -1: the system's. 0 or the
    // errno.
    virtual int setHopLimit(int hops)
    {
        (void)hops;
        return 0;
    }
    // Where the echoes leave from, for the sockets opened from now on: this address of the machine (a null one,
    // or one of the other family: the system's choice) and this interface (empty: any).
    virtual void setSendFrom(const IpAddress& source, const QString& interfaceName)
    {
        (void)source;
        (void)interfaceName;
    }
    // The largest echo (ICMP header and payload) to be sent, so that its reply and errors quoting it fit.
    virtual void setLargestEcho(int bytes) { (void)bytes; }
    // Whether an echo too big for the path may be cut into fragments (IPv4: the DF bit clear; IPv6: by the
    // sender), may not, or as the system does by default (IPv4: path MTU discovery). 0 or the errno.
    enum class Fragmentation { SystemDefault, Allow, Forbid };
    virtual int setFragmentation(Fragmentation fragmentation)
    {
        (void)fragmentation;
        return 0;
    }

    // Sends one ICMP message (header included) to destination, of the socket's family; scopeId is the interface
    // of a link-local IPv6 destination (0: none). 0 or the errno.
    virtual int send(const IpAddress& destination, quint32 scopeId, const QByteArray& packet) = 0;
    // One message of a batch, as for send().
    struct Outgoing {
        IpAddress destination;
        quint32 scopeId = 0;
        QByteArray packet;
    };
    // Sends the messages in order and stops at the first that cannot go: returns how many went, with error
    // the errno of the one that stopped it (0 when all went). One by one unless the socket knows better.
    virtual int sendBatch(const Outgoing* messages, int count, int& error)
    {
        error = 0;
        for (int i = 0; i < count; ++i) {
            error = send(messages[i].destination, messages[i].scopeId, messages[i].packet);
            if (error != 0)
                return i;
        }
        return count;
    }
    // Non-blocking; false once nothing more is waiting. A true with message.error set reports a failed read.
    // A socket may read ahead: what it holds is handed out by the next calls, and no readyRead announces it,
    // so a caller that stops before false must come back by itself. message's buffers may be swapped with
    // the socket's own rather than copied.
    virtual bool receive(Message& message) = 0;
    // Non-blocking read of the error queue (datagram sockets); false once it is empty.
    virtual bool receiveError(Message& message) = 0;

signals:
    // Something may be waiting in the socket or its error queue.
    void readyRead();
};
