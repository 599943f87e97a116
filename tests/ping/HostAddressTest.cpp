#include "ping/HostAddress.h"

#include <QTest>

class HostAddressTest : public QObject
{
    Q_OBJECT
private slots:
    void isHostName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hostName");
        QTest::newRow("address") << "192.168.0.1" << false;
        QTest::newRow("out of range is still an address") << "10.0.0.300" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("digits only") << "12345" << false;
        QTest::newRow("name with dash and digit") << "router-2" << true;
        QTest::newRow("trailing space") << "1.2.3.4 " << true;
        QTest::newRow("dotted name") << "answer.lab" << true;
        QTest::newRow("IPv6") << "fd00::1" << false;
        QTest::newRow("IPv6 in brackets") << "[::1]" << false;
        QTest::newRow("IPv6 with zone") << "fe80::1%eth0" << false;
        QTest::newRow("bad IPv6 is still an address") << "fd00::zz" << false;
    }
    void isHostName()
    {
        QFETCH(QString, text);
        QFETCH(bool, hostName);
        QCOMPARE(HostAddress::isHostName(text), hostName);
    }

    void addressText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<quint32>("address");
        QTest::addColumn<QString>("shown");
        QTest::newRow("loopback") << "127.0.0.1" << true << 0x7F000001u << "127.0.0.1";
        QTest::newRow("edges") << "255.0.255.0" << true << 0xFF00FF00u << "255.0.255.0";
        QTest::newRow("zeros") << "0.0.0.0" << true << 0u << "0.0.0.0";
        QTest::newRow("leading zero is decimal") << "010.0.0.1" << true << 0x0A000001u << "10.0.0.1";
        QTest::newRow("empty") << "" << false << 0u << "";
        QTest::newRow("octet too big") << "10.0.0.300" << false << 0u << "";
        QTest::newRow("three parts") << "1.2.3" << false << 0u << "";
        QTest::newRow("five parts") << "1.2.3.4.5" << false << 0u << "";
        QTest::newRow("leading space") << " 1.2.3.4" << false << 0u << "";
        QTest::newRow("trailing space") << "1.2.3.4 " << false << 0u << "";
        QTest::newRow("empty part") << "1..3.4" << false << 0u << "";
        QTest::newRow("trailing dot") << "1.2.3.4." << false << 0u << "";
        QTest::newRow("leading dot") << ".1.2.3" << false << 0u << "";
        QTest::newRow("four digits") << "1.2.3.0004" << false << 0u << "";
        QTest::newRow("sign") << "1.2.3.+4" << false << 0u << "";
        QTest::newRow("hex") << "0x7f.0.0.1" << false << 0u << "";
        QTest::newRow("name") << "answer.lab" << false << 0u << "";
        QTest::newRow("arabic-indic digits") << QString::fromUtf8("\u0661.2.3.4") << false << 0u << "";
    }
    void addressText()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(quint32, address);
        QFETCH(QString, shown);
        const std::optional<quint32> parsed = HostAddress::parseIpv4(text);
        QCOMPARE(parsed.has_value(), valid);
        if (!valid)
            return;
        QCOMPARE(*parsed, address);
        QCOMPARE(HostAddress::ipv4Text(address), shown);
    }

    // Any IPv6 text form goes in; the canonical form of RFC 5952 comes out.
    void literal_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown"); // empty: not an address
        QTest::addColumn<uint>("scope");
        QTest::newRow("loopback") << "::1"
                                  << "::1" << 0u;
        QTest::newRow("brackets") << "[::1]"
                                  << "::1" << 0u;
        QTest::newRow("unspecified") << "::"
                                     << "::" << 0u;
        QTest::newRow("trailing run") << "1::"
                                      << "1::" << 0u;
        QTest::newRow("upper case, leading zeros") << "2001:0DB8:0:0:0:0:0002:0001"
                                                   << "2001:db8::2:1" << 0u;
        QTest::newRow("one zero group stays") << "2001:db8:0:1:1:1:1:1"
                                              << "2001:db8:0:1:1:1:1:1" << 0u;
        QTest::newRow("longest run") << "2001:0:0:1:0:0:0:1"
                                     << "2001:0:0:1::1" << 0u;
        QTest::newRow("first of equal runs") << "2001:db8:0:0:1:0:0:1"
                                             << "2001:db8::1:0:0:1" << 0u;
        QTest::newRow("IPv4-mapped") << "::FFFF:192.0.2.1"
                                     << "::ffff:192.0.2.1" << 0u;
        QTest::newRow("IPv4 tail otherwise hex") << "64:ff9b::192.0.2.1"
                                                 << "64:ff9b::c000:201" << 0u;
        QTest::newRow("longest") << "ffff:ffff:ffff:ffff:ffff:ffff:255.255.255.255"
                                 << "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff" << 0u;
        QTest::newRow("zone by name") << "fe80::1%lo"
                                      << "fe80::1" << 1u;
        QTest::newRow("zone by number, in brackets") << "[fe80::1%7]"
                                                     << "fe80::1" << 7u;
        QTest::newRow("IPv4") << "10.0.0.1"
                              << "10.0.0.1" << 0u;
        QTest::newRow("unknown zone") << "fe80::1%nosuchinterface"
                                      << "" << 0u;
        QTest::newRow("empty zone") << "fe80::1%"
                                    << "" << 0u;
        QTest::newRow("nine groups") << "1:2:3:4:5:6:7:8:9"
                                     << "" << 0u;
        QTest::newRow("two gaps") << "1::2::3"
                                  << "" << 0u;
        QTest::newRow("group too long") << "12345::"
                                        << "" << 0u;
        QTest::newRow("open bracket") << "[::1"
                                      << "" << 0u;
        QTest::newRow("leading space") << " ::1"
                                       << "" << 0u;
        QTest::newRow("not hex") << "fd00::zz"
                                 << "" << 0u;
        QTest::newRow("fullwidth colon") << QString::fromUtf8("fd00\uFF1A:1") << "" << 0u;
    }
    void literal()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(uint, scope);
        const std::optional<HostAddress::Target> target = HostAddress::parseLiteral(text);
        QCOMPARE(target.has_value(), !shown.isEmpty());
        if (!target)
            return;
        QCOMPARE(target->address.toString(), shown);
        QCOMPARE(target->scopeId, scope);
    }

    void addressesSortNumerically()
    {
        const QStringList texts{"10.0.0.2", "::1", "10.0.0.10", "fd00::1:0", "2001:db8::", "fd00::ff"};
        QList<IpAddress> addresses;
        for (const QString& text : texts)
            addresses.append(HostAddress::parseLiteral(text)->address);
        std::sort(addresses.begin(), addresses.end());
        QStringList sorted;
        for (const IpAddress& address : addresses)
            sorted.append(address.toString());
        QCOMPARE(sorted, (QStringList{"10.0.0.2", "10.0.0.10", "::1", "2001:db8::", "fd00::ff", "fd00::1:0"}));
        QVERIFY(IpAddress() < IpAddress::fromIpv4(0));
    }
};

QTEST_GUILESS_MAIN(HostAddressTest)
#include "HostAddressTest.moc"
