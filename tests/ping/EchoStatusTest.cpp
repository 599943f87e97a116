#include "ping/EchoStatus.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

class EchoStatusTest : public QObject
{
    Q_OBJECT
private slots:
    void texts_data()
    {
        QTest::addColumn<quint32>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("success") << 0u << "Success";
        QTest::newRow("the echo timeout") << 200u << "Ping timeout";
        QTest::newRow("first IP status") << 11001u << "Buffer too small";
        QTest::newRow("timed out") << 11010u << "Request timed out";
        QTest::newRow("abbreviated") << 11014u << "TTL expired reassem";
        QTest::newRow("last of the run") << 11023u << "Address added";
        QTest::newRow("general failure") << 11050u << "General failure";
        QTest::newRow("pending") << 11255u << "Pending";
        for (const quint32 code : {1u, 199u, 201u, 11000u, 11024u, 11049u, 11051u, 11254u, 11256u, 4294967295u})
            QTest::addRow("unknown %u", code) << code << "Unknown message returned";
    }
    void texts()
    {
        QFETCH(quint32, code);
        QFETCH(QString, text);
        QCOMPARE(statusText(static_cast<EchoStatus>(code)), text);
    }

    // Metric label values: words, one per code, so no two codes share a series.
    void reasonsAreDistinctWords()
    {
        QSet<QByteArray> seen;
        const QRegularExpression word(QStringLiteral("^[a-z][a-z0-9_]*$"));
        for (quint32 code = 0; code <= 11300; ++code) {
            const QByteArray reason = statusReason(static_cast<EchoStatus>(code));
            QVERIFY2(word.match(QString::fromLatin1(reason)).hasMatch(), reason.constData());
            QVERIFY2(!seen.contains(reason), reason.constData());
            seen.insert(reason);
        }
        QCOMPARE(statusReason(EchoStatus::RequestTimedOut), QByteArray("timeout"));
        QCOMPARE(statusReason(EchoStatus::TtlExpiredTransit), QByteArray("ttl_expired"));
        QCOMPARE(statusReason(static_cast<EchoStatus>(11024)), QByteArray("status_11024"));
    }
};

QTEST_GUILESS_MAIN(EchoStatusTest)
#include "EchoStatusTest.moc"
