#pragma once

#include "EchoService.h"
#include "IcmpSocket.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class MessageBoxes;

// The ICMP echo engine: one socket for every echo, a send queue paced by event-loop turns, replies matched by
// identifier, sequence and source, and one timer aimed at the earliest of the in-flight deadlines.
//
// Outcomes: 0 on a reply; the IP status of an ICMP error, with the reporting router as Address;
// RequestTimedOut after EchoTimeoutMs; BadDestination for a text that is not a dotted IPv4 address;
// GeneralFailure when ICMP is not permitted or sending failed for a reason without its own code.
class LinuxEchoService : public QObject, public EchoService
{
    Q_OBJECT
public:
    explicit LinuxEchoService(MessageBoxes& boxes, QObject* parent = nullptr);
    // Takes an already made socket: tests script one, and the lab forces a socket kind.
    LinuxEchoService(MessageBoxes& boxes, std::unique_ptr<IcmpSocket> socket, QObject* parent = nullptr);
    ~LinuxEchoService() override;

    Ticket send(const QString& addressText, QObject* context, Done done) override;
    bool cancel(Ticket ticket) override;

    // Opens the socket if not yet tried (silently); false when ICMP is not permitted.
    bool available();
    // Why ICMP is not available and how to permit it; empty when available.
    QString unavailableReason();
    IcmpSocket::Kind socketKind();
    // Echoes sent and not yet answered or timed out.
    int inFlightCount() const { return m_inFlightCount; }
    int queuedCount() const { return static_cast<int>(m_queue.size()); }

    // The advice shown when ICMP is not permitted; reason is the system's error text.
    static QString permissionAdvice(const QString& reason);
    // Strict dotted-quad IPv4 (four decimal numbers 0-255, nothing else), host byte order.
    static std::optional<quint32> parseAddress(const QString& text);

private:
    struct Queued {
        quint32 destination = 0;
        bool valid = false;
        bool hasContext = false;
        QPointer<QObject> context;
        Done done;
    };
    struct InFlight {
        Ticket ticket = 0; // 0 marks a free sequence
        quint32 destination = 0;
        qint64 sentNs = 0;
        bool hasContext = false;
        QPointer<QObject> context;
        Done done;
    };
    enum class OpenState { NotTried, Open, Unavailable };

    bool ensureOpen();
    void schedulePump();
    void pump();
    void failQueued();
    void drain();
    void handle(const IcmpSocket::Message& message, bool fromErrorQueue);
    void checkTimeouts();
    void armTimeout();
    bool nextFreeSequence(quint16& sequence);
    void finish(quint16 sequence, const EchoReply& reply);
    static void deliver(bool hasContext, const QPointer<QObject>& context, const Done& done, const EchoReply& reply);

    MessageBoxes& m_boxes;
    std::unique_ptr<IcmpSocket> m_socket;
    OpenState m_openState = OpenState::NotTried;
    QString m_unavailableReason;
    bool m_adviceShown = false;

    Ticket m_nextTicket = 1;
    std::map<Ticket, Queued> m_queue; // tickets grow, so this is send order and cancel stays cheap
    std::vector<InFlight> m_inFlight; // indexed by sequence
    std::deque<std::pair<quint16, Ticket>> m_sendOrder;
    int m_inFlightCount = 0;
    quint16 m_identifier = 0;
    quint16 m_nextSequence = 0;
    QByteArray m_payload;

    QElapsedTimer m_clock;
    QTimer m_pumpTimer;
    QTimer m_timeoutTimer;
};
