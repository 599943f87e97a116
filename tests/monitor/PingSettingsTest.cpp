#include "monitor/PingSettings.h"

#include "platform/AppError.h"
#include "tests/fakes/FakeSettingsStore.h"

#include <QtTest>

class PingSettingsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keptInTheirOwnGroupAndReadBack()
    {
        FakeSettingsStore store;
        store.values.insert(QStringLiteral("Corvexa/Vantrel/IP Addresses"), QStringLiteral("a.lab"));
        PingOptions chosen;
        chosen.timeoutMs = 1500;
        chosen.count = 5;
        chosen.intervalMs = 250;
        chosen.payloadBytes = 1472;
        chosen.dontFragment = true;
        chosen.ttl = 64;
        chosen.source = QStringLiteral("2001:db8::7");
        chosen.interface = QStringLiteral("eth1");
        chosen.ratePps = 2000;
        PingSettings::save(chosen, store);
        QCOMPARE(PingSettings::load(store), chosen);
        QCOMPARE(store.values.value(QStringLiteral("Corvexa/Ping/TimeoutMs")), QStringLiteral("1500"));
        QCOMPARE(store.values.value(QStringLiteral("Corvexa/Ping/PayloadBytes")), QStringLiteral("1472"));
        QCOMPARE(store.values.value(QStringLiteral("Corvexa/Ping/DontFragment")), QStringLiteral("1"));
        for (const QString& key : store.values.keys())
            QVERIFY2(key.startsWith(QStringLiteral("Corvexa/Ping/")) ||
                         key == QStringLiteral("Corvexa/Vantrel/IP Addresses"),
                     qPrintable(key));
        QCOMPARE(store.values.value(QStringLiteral("Corvexa/Vantrel/IP Addresses")), QStringLiteral("a.lab"));

        // The defaults go back to "none" for the optional values.
        PingSettings::save(PingOptions{}, store);
        QVERIFY(PingSettings::load(store).isDefault());
    }

    void absentOrUnusableValuesTakeTheirDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("timeout below range") << "TimeoutMs"
                                             << "9";
        QTest::newRow("timeout not a number") << "TimeoutMs"
                                              << "fast";
        QTest::newRow("no echoes") << "Count"
                                   << "0";
        QTest::newRow("interval above range") << "IntervalMs"
                                              << "60001";
        QTest::newRow("payload negative") << "PayloadBytes"
                                          << "-1";
        QTest::newRow("payload above IPv4") << "PayloadBytes"
                                            << "65508";
        QTest::newRow("don't-fragment not 1") << "DontFragment"
                                              << "true";
        QTest::newRow("ttl zero") << "Ttl"
                                  << "0";
        QTest::newRow("source a name") << "Source"
                                       << "router.lab";
        QTest::newRow("interface with a slash") << "Interface"
                                                << "a/b";
        QTest::newRow("rate above range") << "RatePps"
                                          << "1000001";
        QTest::newRow("rate fraction") << "RatePps"
                                       << "2.5";
    }
    void absentOrUnusableValuesTakeTheirDefaults()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        FakeSettingsStore store;
        QVERIFY(PingSettings::load(store).isDefault());
        store.values.insert(QStringLiteral("Corvexa/Ping/") + key, text);
        QVERIFY(PingSettings::load(store).isDefault());
    }

    void unwritableSettingsThrow()
    {
        FakeSettingsStore store;
        store.failWrites = true;
        QVERIFY_THROWS_EXCEPTION(AppError, PingSettings::save(PingOptions{}, store));
    }
};

QTEST_GUILESS_MAIN(PingSettingsTest)
#include "PingSettingsTest.moc"
