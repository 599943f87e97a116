#include "PingTexts.h"

#include <QTest>

class PingTextsTest : public QObject
{
    Q_OBJECT
private slots:
    void statusTexts_data()
    {
        QTest::addColumn<qint64>("status");
        QTest::addColumn<QString>("text");
        const QList<QPair<qint64, const char*>> known = {
            {0, "Success"},
            {200, "Ping timeout"},
            {11001, "Buffer too small"},
            {11002, "Destination network unreachable"},
            {11003, "Destination host unreachable"},
            {11004, "Destination protocol unreachable"},
            {11005, "Destination port unreachable"},
            {11006, "No resources"},
            {11007, "Bad option"},
            {11008, "Hardware error"},
            {11009, "Packet too big"},
            {11010, "Request timed out"},
            {11011, "Bad request"},
            {11012, "Bad route"},
            {11013, "TTL expired transit"},
            {11014, "TTL expired reassem"},
            {11015, "Parameter problem"},
            {11016, "Source quench"},
            {11017, "Option too big"},
            {11018, "Bad destination"},
            {11019, "Address deleted"},
            {11020, "Specific MTU change"},
            {11021, "MTU change"},
            {11022, "Unload"},
            {11023, "Address added"},
            {11050, "General failure"},
            {11255, "Pending"},
        };
        for (const auto& [status, text] : known)
            QTest::addRow("%lld", status) << status << QString::fromLatin1(text);
        const QString unknown = QStringLiteral("Unknown message returned");
        for (const qint64 status :
             {qint64(-1), qint64(-11010), qint64(1), qint64(199), qint64(201), qint64(11000), qint64(11024),
              qint64(11049), qint64(11051), qint64(11254), qint64(11256), qint64(4294967295LL)})
            QTest::addRow("unknown %lld", status) << status << unknown;
    }
    void statusTexts()
    {
        QFETCH(qint64, status);
        QFETCH(QString, text);
        QCOMPARE(::statusText(status), text);
    }

    void isHostname_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hostname");
        QTest::newRow("address") << "192.168.0.1" << false;
        QTest::newRow("out of range is still an address") << "10.0.0.300" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("digits only") << "12345" << false;
        QTest::newRow("name with dash and digit") << "router-2" << true;
        QTest::newRow("trailing space") << "1.2.3.4 " << true;
        QTest::newRow("dotted name") << "answer.lab" << true;
    }
    void isHostname()
    {
        QFETCH(QString, text);
        QFETCH(bool, hostname);
        QCOMPARE(isHostName(text), hostname);
    }

    void addressBytesToText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("high bytes unsigned") << QByteArray("\xC0\xA8\x00\xFF", 4) << "192.168.0.255";
        QTest::newRow("zeros") << QByteArray(4, '\0') << "0.0.0.0";
        QTest::newRow("short input padded") << QByteArray("\x0A\x01", 2) << "10.1.0.0";
        QTest::newRow("extra bytes ignored") << QByteArray("\x7F\x00\x00\x01\x05", 5) << "127.0.0.1";
    }
    void addressBytesToText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(AddressBytesToText(bytes), text);
    }

    void addressToText()
    {
        QCOMPARE(ipv4Text(0x7F000001), QStringLiteral("127.0.0.1"));
        QCOMPARE(ipv4Text(0xFFFFFFFF), QStringLiteral("255.255.255.255"));
        QCOMPARE(ipv4Text(0), QStringLiteral("0.0.0.0"));
    }

    void bytesOfAWord_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::newRow("0") << 0 << 0 << 0;
        QTest::newRow("0x1234") << 0x1234 << 0x12 << 0x34;
        QTest::newRow("0xFF00") << 0xFF00 << 0xFF << 0;
        QTest::newRow("0xFFFF") << 0xFFFF << 0xFF << 0xFF;
    }
    void bytesOfAWord()
    {
        QFETCH(int, value);
        QFETCH(int, high);
        QFETCH(int, low);
        QCOMPARE(HighByte(static_cast<quint16>(value)), high);
        QCOMPARE(LowByte(static_cast<quint16>(value)), low);
    }
};

QTEST_GUILESS_MAIN(PingTextsTest)
#include "PingTextsTest.moc"
