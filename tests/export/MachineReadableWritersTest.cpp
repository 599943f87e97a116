#include "export/CsvWriter.h"
#include "export/JsonLinesWriter.h"
#include "results/ResultsModel.h"
#include "tests/fakes/CsvParser.h"
#include "tests/fakes/ResultsFeed.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class MachineReadableWritersTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void csvFieldsRoundTrip_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("plain") << QStringLiteral("127.0.0.1") << QByteArray("127.0.0.1");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("comma") << QStringLiteral("12,5") << QByteArray("\"12,5\"");
        QTest::newRow("quote") << QStringLiteral("a\"b") << QByteArray("\"a\"\"b\"");
        QTest::newRow("line break") << QStringLiteral("a\r\nb") << QByteArray("\"a\r\nb\"");
        QTest::newRow("percent and blanks")
            << QStringLiteral("8 Dec 2026 11:03:01") << QByteArray("8 Dec 2026 11:03:01");
    }
    void csvFieldsRoundTrip()
    {
        QFETCH(QString, field);
        QFETCH(QByteArray, written);
        const QByteArray record = CsvWriter::record({QStringLiteral("x"), field, QStringLiteral("y")});
        QCOMPARE(record, "x," + written + ",y\r\n");
        const auto parsed = parseCsv(QString::fromUtf8(record));
        QVERIFY(parsed);
        QCOMPARE(parsed->value(0), (QStringList{QStringLiteral("x"), field, QStringLiteral("y")}));
    }

    void csvOfTheTableHasTwelveColumns()
    {
        ResultsModel results;
        const HostTable::Slot row = results.appendRow(1, QStringLiteral("host,with \"comma\""));
        ResultsFeed::failure(results.table(), row, 11010, QDateTime::currentDateTime());
        results.appendRow(2, QStringLiteral("127.0.0.1"));
        const auto parsed = parseCsv(QString::fromUtf8(CsvWriter().toByteArray(results.snapshot())));
        QVERIFY(parsed);
        QCOMPARE(parsed->size(), 3);
        QCOMPARE(parsed->at(0), ResultsModel::captions());
        for (const QStringList& record : *parsed)
            QCOMPARE(record.size(), 12);
        QCOMPARE(parsed->at(1).at(0), QStringLiteral("host,with \"comma\""));
        QCOMPARE(parsed->at(1).at(5), QStringLiteral("Request timed out"));
    }

    void jsonLinesCarryTypedFields()
    {
        ResultsModel results;
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(1765000000250, Qt::UTC);
        const HostTable::Slot up = results.appendRow(1, QStringLiteral("127.0.0.1"));
        ResultsFeed::success(results.table(), up, IpAddress::fromIpv4(0x7f000001), 3, 64, when);
        ResultsFeed::success(results.table(), up, IpAddress::fromIpv4(0x7f000001), 4, 64, when);
        ResultsFeed::failure(results.table(), up, 11010, when.addSecs(2));
        results.appendRow(2, QStringLiteral("new\"\n\x01host"));

        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(JsonLinesWriter().write(results.table(), 7, when, out));
        const QList<QByteArray> lines = out.data().split('\n');
        QCOMPARE(lines.size(), 3); // two lines, each ending in LF
        QVERIFY(lines.last().isEmpty());

        QJsonParseError error;
        const QJsonObject a = QJsonDocument::fromJson(lines.at(0), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(a.value("round").toInteger(), 7);
        QCOMPARE(a.value("time").toString(), QStringLiteral("2025-12-06T05:46:40.250Z"));
        QCOMPARE(a.value("host").toString(), QStringLiteral("127.0.0.1"));
        QCOMPARE(a.value("reply_address").toString(), QStringLiteral("127.0.0.1"));
        QCOMPARE(a.value("succeeded").toInteger(), 2);
        QCOMPARE(a.value("failed").toInteger(), 1);
        QCOMPARE(a.value("failed_percent").toDouble(), 33.33);
        QCOMPARE(a.value("status").toInteger(), 11010);
        QCOMPARE(a.value("status_text").toString(), QStringLiteral("Request timed out"));
        QCOMPARE(a.value("rtt_ms").toInteger(), 4);
        QCOMPARE(a.value("ttl").toInteger(), 64);
        QCOMPARE(a.value("average_rtt_ms").toDouble(), 3.5);
        QCOMPARE(a.value("description").toString(), QString());
        QCOMPARE(a.value("last_succeeded_on").toString(), QStringLiteral("2025-12-06T05:46:40.250Z"));
        QCOMPARE(a.value("last_failed_on").toString(), QStringLiteral("2025-12-06T05:46:42.250Z"));
        QCOMPARE(a.size(), 15);

        const QJsonObject b = QJsonDocument::fromJson(lines.at(1), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(b.value("host").toString(), QStringLiteral("new\"\n\x01host"));
        for (const char* key : {"reply_address", "failed_percent", "status", "status_text", "rtt_ms", "ttl",
                                "average_rtt_ms", "last_succeeded_on", "last_failed_on"})
            QVERIFY2(b.value(key).isNull(), key);
        QCOMPARE(b.value("succeeded").toInteger(), 0);
    }
};

QTEST_GUILESS_MAIN(MachineReadableWritersTest)
#include "MachineReadableWritersTest.moc"
