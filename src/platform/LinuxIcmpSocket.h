#pragma once

#include "IcmpSocket.h"

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
    Kind kind() const override { return m_kind; }
    IpFamily family() const override { return m_family; }
    quint16 localIdentifier() const override { return m_identifier; }
    QString openError() const override { return m_openError; }

    int send(const IpAddress& destination, quint32 scopeId, const QByteArray& packet) override;
    bool receive(Message& message) override;
    bool receiveError(Message& message) override;

    // The receive buffer size the kernel granted, in bytes.
    int receiveBufferSize() const;

private:
    bool openDatagram();
    bool openRaw();
    bool openDatagram6();
    bool openRaw6();
    // Sets the options every socket kind needs; false with the reason in m_openError.
    bool setCommonOptions(int fd, const char* kindName);
    void addOpenError(const QString& error);
    void growReceiveBuffer();
    bool receiveInto(Message& message, int flags);
    void close();

    Preference m_preference;
    IpFamily m_family;
    Kind m_kind = Kind::None;
    int m_fd = -1;
    quint16 m_identifier = 0;
    QString m_openError;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_buffer;
    QByteArray m_controlBuffer;
};
