#include "online/OnlineCheck.h"

#include "tests/fakes/FakeMessageBoxes.h"
#include "tests/fakes/FakeProcessRunner.h"

#include <QtTest>

class OnlineCheckTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decidesOnTheCapturedText_data()
    {
        QTest::addColumn<QString>("captured");
        QTest::addColumn<bool>("online");
        QTest::newRow("linux reply") << "PING x (1.2.3.4) 56(84) bytes of data.\n64 bytes from 1.2.3.4: icmp_seq=1"
                                     << true;
        QTest::newRow("linux reply in capitals") << "64 BYTES FROM 1.2.3.4" << true;
        QTest::newRow("windows reply") << "Reply from 1.2.3.4: bytes=32 time=9ms TTL=57" << true;
        QTest::newRow("windows reply in capitals") << "Reply from 1.2.3.4: BYTES=32" << true;
        QTest::newRow("linux timeout") << "PING x (1.2.3.4) 56(84) bytes of data.\n\n--- x ping statistics ---\n"
                                          "1 packets transmitted, 0 received, 100% packet loss"
                                       << false;
        QTest::newRow("unknown host") << "ping: x: Name or service not known" << false;
        QTest::newRow("german reply")
            << "PING www.wikipedia.org (185.15.59.224) 56(84) Bytes an Daten.\n"
               "64 Bytes von text-lb.esams.wikimedia.org (185.15.59.224): icmp_seq=1 ttl=57 Zeit=14.2 ms\n\n"
               "--- www.wikipedia.org ping-Statistik ---\n"
               "1 Pakete übertragen, 1 empfangen, 0% Paketverlust, Zeit 0ms"
            << true;
        QTest::newRow("french reply")
            << "PING www.wikipedia.org (185.15.59.224) 56(84) octets de données.\n"
               "64 octets de text-lb.esams.wikimedia.org (185.15.59.224) : icmp_seq=1 ttl=57 temps=14.2 ms\n\n"
               "--- statistiques ping www.wikipedia.org ---\n"
               "1 paquets transmis, 1 reçus, 0 % paquets perdus, temps 0 ms"
            << true;
        QTest::newRow("german unreachable") << "PING www.wikipedia.org (185.15.59.224) 56(84) Bytes an Daten.\n"
                                               "Von 192.168.1.1 icmp_seq=1 Zielhost nicht erreichbar\n\n"
                                               "--- www.wikipedia.org ping-Statistik ---\n"
                                               "1 Pakete übertragen, 0 empfangen, +1 Fehler, 100% Paketverlust"
                                            << false;
        QTest::newRow("english unreachable") << "From 192.168.1.1 icmp_seq=1 Destination Host Unreachable" << false;
        QTest::newRow("german unknown host")
            << "ping: www.wikipedia.org: Temporärer Fehler in der Namensauflösung" << false;
        QTest::newRow("empty") << "" << false;
    }
    void decidesOnTheCapturedText()
    {
        QFETCH(QString, captured);
        QFETCH(bool, online);
        QCOMPARE(OnlineCheck::looksOnline(captured), online);

        FakeProcessRunner runner;
        FakeMessageBoxes boxes;
        OnlineCheck check(runner, boxes, QStringLiteral("Vantrel"));
        check.start();
        QCOMPARE(runner.requests.size(), 1);
        QCOMPARE(runner.requests.first().environment, QStringList{"LC_ALL=C"}); // ping answers in English
        QVERIFY(boxes.shown.isEmpty());                                         // nothing shows before the answer
        runner.finish(0, captured);
        QCOMPARE(boxes.shown.size(), online ? 0 : 1);
        if (!online) {
            QCOMPARE(boxes.shown.first().text, QStringLiteral("You must be online to use this software accurately."));
            QVERIFY(!boxes.shown.first().warning);
        }
    }
};

QTEST_GUILESS_MAIN(OnlineCheckTest)
#include "OnlineCheckTest.moc"
