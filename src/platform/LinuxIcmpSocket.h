#pragma once

#include "platform/IcmpSocket.h"

#include <array>
#include <sys/socket.h>

class QSocketNotifier;

// The real ICMP socket of one family: a ping socket when the system allows one, else a raw socket.
class LinuxIcmpSocket : public IcmpSocket
{
    Q_OBJECT
public:
    enum class Preference { Any, DatagramOnly, RawOnly };

    explicit LinuxIcmpSocket(Preference preference = Preference::Any, IpFamily family = IpFamily::IPv4,
                             QObject* parent = nullptr);
    ~LinuxIcmpSocket() override;

    bool open() override;
    void close() override;
    Kind kind() const override { return m_kind; }
    IpFamily family() const override { return m_family; }
    quint16 localIdentifier() const override { return m_identifier; }
    QString openError() const override { return m_openError; }
    bool familyUnsupported() const override { return m_familyUnsupported; }
    int setHopLimit(int hops) override;
    void setLargestEcho(int bytes) override;
    void setSendFrom(const IpAddress& source, const QString& interfaceName) override;
    int setFragmentation(Fragmentation fragmentation) override;

    int send(const IpAddress& destination, quint32 scopeId, const QByteArray& packet) override;
    int sendBatch(const Outgoing* messages, int count, int& error) override;
    bool receive(Message& message) override;
    bool receiveError(Message& message) override;

    // The receive buffer size the kernel granted, in bytes.
    int receiveBufferSize() const;

private:
    // The numbers and names that tell the IPv4 sockets from the IPv6 ones.
    struct FamilyConstants;
    // An int socket option switched on, with its name for the error text.
    struct Flag;

    static const FamilyConstants& constantsOf(IpFamily family);
    bool openDatagram(const FamilyConstants& family);
    bool openRaw(const FamilyConstants& family);
    // A non-blocking socket of the family and type; -1 with the reason in m_openError.
    int openSocket(const FamilyConstants& family, int type, const char* kindName);
    // Sets the options every socket kind needs; false with the reason in m_openError.
    bool setCommonOptions(int fd, const char* kindName);
    // Binds fd to the source address and interface asked for; false with the reason in m_openError.
    bool bindToSource(int fd, const char* kindName, sockaddr_storage& local, socklen_t length);
    // Switches flag on; false with the reason in m_openError.
    bool setFlag(int fd, const char* kindName, const Flag& flag);
    // Keeps fd as our socket when every option is set, else closes it.
    bool keepIfReady(int fd, bool ready, Kind kind, quint16 identifier);
    void addOpenError(const QString& error);
    void growReceiveBuffer();
    // Fills the read-ahead batch with what is waiting; false when nothing was read, with failure.error set
    // when the read failed rather than found the socket empty.
    bool readBatch(Message& failure);
    // Reads up to count datagrams into the buffers behind headers and returns how many; 0 when none was
    // waiting or the read failed, which sets failure.error.
    int readMessages(mmsghdr* headers, int count, int flags, Message& failure);

    // Replies come in bursts as long as the round: one recvmmsg takes up to this many, handed out one per
    // receive call before the socket is read again.
    static constexpr int BatchSize = 64;
    struct Slot {
        Message message;
        sockaddr_storage from;
        iovec vector;
    };

    Preference m_preference;
    IpFamily m_family;
    Kind m_kind = Kind::None;
    int m_fd = -1;
    int m_bufferSize = 2048;
    IpAddress m_source;
    QByteArray m_interface;
    quint16 m_identifier = 0;
    QString m_openError;
    bool m_familyUnsupported = false;
    QSocketNotifier* m_notifier = nullptr;
    std::array<Slot, BatchSize> m_slots{};
    std::array<mmsghdr, BatchSize> m_headers{};
    int m_batchNext = 0;
    int m_batchCount = 0;
};
