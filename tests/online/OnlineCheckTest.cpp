#include "FakeMessageBoxes.h"
#include "FakeProcessRunner.h"
#include "OnlineCheck.h"

#include <QtTest>

class OnlineCheckTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decidesOnTheCapturedText_data()
    {
        QTest::addColumn<QString>("captured");
        QTest::addColumn<bool>("online");
        QTest::newRow("linux reply") << "PING x (1.2.3.4) 56(84) bytes of data.\n64 bytes from 1.2.3.4: icmp_seq=1" << true;
        QTest::newRow("linux reply in capitals") << "64 BYTES FROM 1.2.3.4" << true;
        QTest::newRow("windows reply") << "Reply from 1.2.3.4: bytes=32 time=9ms TTL=57" << true;
        QTest::newRow("windows reply in capitals") << "Reply from 1.2.3.4: BYTES=32" << true;
        QTest::newRow("linux timeout") << "PING x (1.2.3.4) 56(84) bytes of data.\n\n--- x ping statistics ---\n"
                                          "1 packets transmitted, 0 received, 100% packet loss"
                                       << false;
        QTest::newRow("unknown host") << "ping: x: Name or service not known" << false;
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
        QVERIFY(boxes.shown.isEmpty()); // nothing shows before the answer
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
