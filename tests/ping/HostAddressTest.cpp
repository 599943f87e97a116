#include "HostAddress.h"

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
};

QTEST_GUILESS_MAIN(HostAddressTest)
#include "HostAddressTest.moc"
