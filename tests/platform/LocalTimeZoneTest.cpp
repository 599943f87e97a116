// Reading the zone once must not change which zone local times are in, and must keep a TZ the user set.

#include "platform/LocalTimeZone.h"

#include <QDateTime>
#include <QtTest>
#include <time.h>

class LocalTimeZoneTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keepsTheZoneAndTheUsersChoice_data()
    {
        QTest::addColumn<QByteArray>("tz");
        QTest::addColumn<bool>("set");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("unset: the system's zone file") << QByteArray() << false << QByteArray(":/etc/localtime");
        QTest::newRow("empty: UTC") << QByteArray() << true << QByteArray();
        QTest::newRow("a zone of the user's")
            << QByteArray("America/New_York") << true << QByteArray("America/New_York");
    }
    void keepsTheZoneAndTheUsersChoice()
    {
        QFETCH(QByteArray, tz);
        QFETCH(bool, set);
        QFETCH(QByteArray, after);
        if (set)
            qputenv("TZ", tz);
        else
            qunsetenv("TZ");
        tzset();
        // A summer and a winter moment, so that a zone with daylight saving shows both offsets.
        const QList<qint64> moments = {1781870400, 1797685200};
        QStringList before;
        for (qint64 s : moments)
            before.append(QDateTime::fromSecsSinceEpoch(s).toString(Qt::ISODate));

        LocalTimeZone::readOnce();
        QCOMPARE(qgetenv("TZ"), after);
        QCOMPARE(qEnvironmentVariableIsSet("TZ"), true);
        for (qsizetype i = 0; i < moments.size(); ++i)
            QCOMPARE(QDateTime::fromSecsSinceEpoch(moments.at(i)).toString(Qt::ISODate), before.at(i));
    }
};

QTEST_GUILESS_MAIN(LocalTimeZoneTest)
#include "LocalTimeZoneTest.moc"
