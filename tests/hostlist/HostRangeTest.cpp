#include "hostlist/HostRange.h"

#include <QtTest>

class HostRangeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ranges_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");

        QTest::newRow("/32") << "10.1.2.3/32" << 1 << "10.1.2.3"
                             << "10.1.2.3";
        QTest::newRow("/31 keeps both") << "10.1.2.3/31" << 2 << "10.1.2.2"
                                        << "10.1.2.3";
        QTest::newRow("/30 without network and broadcast") << "10.1.2.0/30" << 2 << "10.1.2.1"
                                                           << "10.1.2.2";
        QTest::newRow("/24 from a host address") << "10.1.0.7/24" << 254 << "10.1.0.1"
                                                 << "10.1.0.254";
        QTest::newRow("/16") << "172.16.0.0/16" << 65534 << "172.16.0.1"
                             << "172.16.255.254";
        QTest::newRow("leading zeros in the octets") << "010.001.0.0/30" << 2 << "10.1.0.1"
                                                     << "10.1.0.2";
        QTest::newRow("dash, full end, over an octet") << "10.0.0.250-10.0.1.5" << 12 << "10.0.0.250"
                                                       << "10.0.1.5";
        QTest::newRow("dash, short end") << "192.168.1.10-20" << 11 << "192.168.1.10"
                                         << "192.168.1.20";
        QTest::newRow("dash, one address") << "10.0.0.5-5" << 1 << "10.0.0.5"
                                           << "10.0.0.5";
        QTest::newRow("blanks around") << " 10.0.0.1-2\t" << 2 << "10.0.0.1"
                                       << "10.0.0.2";
        QTest::newRow("exactly the limit") << "10.0.0.0-10.0.255.255" << 65536 << "10.0.0.0"
                                           << "10.0.255.255";
        QTest::newRow("IPv6 /128") << "fd00::1/128" << 1 << "fd00::1"
                                   << "fd00::1";
        QTest::newRow("IPv6 /127") << "fd00::1/127" << 2 << "fd00::"
                                   << "fd00::1";
        QTest::newRow("IPv6 /120, long form") << "FD00:0:0:0:0:0:0:0/120" << 256 << "fd00::"
                                              << "fd00::ff";
        QTest::newRow("IPv6 /112 is the limit") << "fd00::/112" << 65536 << "fd00::"
                                                << "fd00::ffff";
        QTest::newRow("IPv6 in brackets with a zone") << "[fe80::%lo]/127" << 2 << "fe80::%lo"
                                                      << "fe80::1%lo";
        QTest::newRow("IPv6 mapped IPv4") << "::ffff:10.0.0.0/126" << 4 << "::ffff:10.0.0.0"
                                          << "::ffff:10.0.0.3";
        QTest::newRow("IPv6 dash") << "fd00::1-fd00::ff" << 255 << "fd00::1"
                                   << "fd00::ff";
        QTest::newRow("IPv6 dash over a group") << "fd00::fffe-fd00::1:1" << 4 << "fd00::fffe"
                                                << "fd00::1:1";
    }
    void ranges()
    {
        QFETCH(QString, entry);
        QFETCH(int, count);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QVERIFY(HostRange::looksLikeRange(entry));
        const HostRange::Expansion e = HostRange::expand(entry);
        QCOMPARE(e.error, QString());
        QVERIFY(e.wasRange);
        QCOMPARE(e.entries.size(), count);
        QCOMPARE(e.entries.first(), first);
        QCOMPARE(e.entries.last(), last);
        QStringList unique = e.entries;
        QCOMPARE(unique.removeDuplicates(), 0);
    }

    void refused_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("error");

        const int limit = HostRange::DefaultLimit;
        QTest::newRow("/8") << "10.0.0.0/8" << limit
                            << "10.0.0.0/8 has 16,777,214 addresses; at most 65,536 can come from one range";
        QTest::newRow("/0") << "0.0.0.0/0" << limit
                            << "0.0.0.0/0 has 4,294,967,294 addresses; at most 65,536 can come from one range";
        QTest::newRow("one over the limit")
            << "10.0.0.0-10.1.0.0" << limit
            << "10.0.0.0-10.1.0.0 has 65,537 addresses; at most 65,536 can come from one range";
        QTest::newRow("a smaller limit") << "10.0.0.1-10" << 5
                                         << "10.0.0.1-10 has 10 addresses; at most 5 can come from one range";
        QTest::newRow("IPv6 /111") << "fd00::/111" << limit
                                   << "fd00::/111 has 131,072 addresses; at most 65,536 can come from one range";
        QTest::newRow("IPv6 /0") << "::/0" << limit
                                 << "::/0 has 340,282,366,920,938,463,463,374,607,431,768,211,456 addresses; "
                                    "at most 65,536 can come from one range";
        QTest::newRow("reversed") << "10.0.0.9-10.0.0.1" << limit
                                  << "10.0.0.9-10.0.0.1: the range ends before it starts";
        QTest::newRow("reversed, short end") << "10.0.0.9-1" << limit << "10.0.0.9-1: the range ends before it starts";
        QTest::newRow("reversed IPv6") << "fd00::9-fd00::1" << limit
                                       << "fd00::9-fd00::1: the range ends before it starts";
        QTest::newRow("/33") << "10.0.0.0/33" << limit << "10.0.0.0/33: the prefix length must be between 0 and 32";
        QTest::newRow("prefix of many digits")
            << "10.0.0.0/99999999999" << limit << "10.0.0.0/99999999999: the prefix length must be between 0 and 32";
        QTest::newRow("octet over 255") << "10.0.0.300-10.0.0.5" << limit
                                        << "10.0.0.300-10.0.0.5: 10.0.0.300 is not an IPv4 address";
        QTest::newRow("end octet over 255")
            << "10.0.0.1-10.0.0.256" << limit << "10.0.0.1-10.0.0.256: 10.0.0.256 is not an IPv4 address";
        QTest::newRow("short end over 255")
            << "10.0.0.1-256" << limit << "10.0.0.1-256: the last octet 256 is over 255";
        QTest::newRow("prefix base over 255")
            << "10.0.0.256/24" << limit << "10.0.0.256/24: 10.0.0.256 is not an IPv4 address";
        QTest::newRow("IPv6 /129") << "fd00::/129" << limit
                                   << "fd00::/129: the prefix length must be between 0 and 128";
        QTest::newRow("IPv6 that does not parse")
            << "fd00::1::2/120" << limit << "fd00::1::2/120: fd00::1::2 is not an IPv6 address";
        QTest::newRow("IPv6 dash end that does not parse")
            << "fd00::1-fd00:::2" << limit << "fd00::1-fd00:::2: fd00:::2 is not an IPv6 address";
        QTest::newRow("unknown zone") << "fe80::%nosuchif9/120" << limit
                                      << "fe80::%nosuchif9/120: no network interface is named \"nosuchif9\"";
    }
    void refused()
    {
        QFETCH(QString, entry);
        QFETCH(int, limit);
        QFETCH(QString, error);
        QVERIFY(HostRange::looksLikeRange(entry));
        const HostRange::Expansion e = HostRange::expand(entry, limit);
        QCOMPARE(e.error, error);
        QVERIFY(e.wasRange);
        QVERIFY(e.entries.isEmpty());
    }

    void notRangesStayAsTyped_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("host name with a dash") << "a-b.example.com";
        QTest::newRow("host name of hex letters and a dash") << "cafe-babe.example";
        QTest::newRow("host name starting with digits") << "2001-db8.example.net";
        QTest::newRow("digits and a dash, no address") << "1-5";
        QTest::newRow("prefix with a tail") << "10.1.0.0/24x";
        QTest::newRow("three octets") << "10.0.0/24";
        QTest::newRow("short end of four digits") << "10.0.0.1-1234";
        QTest::newRow("blanks around the dash") << "10.0.0.1 - 10.0.0.5";
        QTest::newRow("two dashes") << "10.0.0.1-2-3";
        QTest::newRow("zone with a dash") << "fe80::1%br-lan";
        QTest::newRow("URL") << "ftp://fd00::1";
        QTest::newRow("plain IPv4") << "10.0.0.1";
        QTest::newRow("plain IPv6") << "fd00::1";
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "  ";
    }
    void notRangesStayAsTyped()
    {
        QFETCH(QString, entry);
        const HostRange::Expansion e = HostRange::expand(entry);
        QCOMPARE(e.entries, QStringList{entry});
        QCOMPARE(e.error, QString());
        QVERIFY(!e.wasRange);
    }
};

QTEST_GUILESS_MAIN(HostRangeTest)
#include "HostRangeTest.moc"
