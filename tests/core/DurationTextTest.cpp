#include "core/DurationText.h"

#include <QtTest>

class DurationTextTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void toMs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("ms"); // -1: refused
        QTest::newRow("milliseconds") << "500ms" << qint64(500);
        QTest::newRow("seconds") << "10s" << qint64(10000);
        QTest::newRow("minutes then seconds") << "1m30s" << qint64(90000);
        QTest::newRow("hours, days, weeks") << "1w2d3h" << qint64(604800000LL + 2 * 86400000LL + 3 * 3600000LL);
        QTest::newRow("m before ms") << "2m5ms" << qint64(120005);
        QTest::newRow("zero") << "0s" << qint64(0);
        QTest::newRow("empty") << "" << qint64(-1);
        QTest::newRow("no unit") << "15" << qint64(-1);
        QTest::newRow("unknown unit") << "3y" << qint64(-1);
        QTest::newRow("units out of order") << "30s1m" << qint64(-1);
        QTest::newRow("unit twice") << "1s1s" << qint64(-1);
        QTest::newRow("fraction") << "1.5s" << qint64(-1);
        QTest::newRow("sign") << "-1s" << qint64(-1);
        QTest::newRow("blank") << "1m 30s" << qint64(-1);
        QTest::newRow("overflow") << "99999999999999999w" << qint64(-1);
    }
    void toMs()
    {
        QFETCH(QString, text);
        QFETCH(qint64, ms);
        const std::optional<qint64> got = DurationText::toMs(text);
        QCOMPARE(got.value_or(-1), ms);
    }
};

QTEST_GUILESS_MAIN(DurationTextTest)
#include "DurationTextTest.moc"
