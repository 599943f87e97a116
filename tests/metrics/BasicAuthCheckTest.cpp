#include "metrics/BasicAuthCheck.h"

#include "tests/metrics/BcryptHash.h"

#include <QtTest>

namespace
{
QByteArray basic(const QByteArray& userAndPassword)
{
    return "Basic " + userAndPassword.toBase64();
}
} // namespace

// Authorization headers against hashes made by libxcrypt (low cost, the check is the same): the pair passes
// or not, the same on the worker thread, and a pair that passed is then known without bcrypt.
class BasicAuthCheckTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void headersAreChecked_data()
    {
        QTest::addColumn<QByteArray>("authorization");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("$2y$ right") << basic("alice:right") << true;
        QTest::newRow("$2b$ right, colons in the password") << basic("bob:a:b:c") << true;
        QTest::newRow("$2a$ right") << basic("carol:third") << true;
        QTest::newRow("scheme in lower case") << "basic " + QByteArray("alice:right").toBase64() << true;
        QTest::newRow("wrong password") << basic("alice:wrong") << false;
        QTest::newRow("password of another user") << basic("alice:a:b:c") << false;
        QTest::newRow("password with a prefix of the right one") << basic("alice:righ") << false;
        QTest::newRow("empty password") << basic("alice:") << false;
        QTest::newRow("unknown user") << basic("mallory:right") << false;
        QTest::newRow("user name case") << basic("Alice:right") << false;
        QTest::newRow("no colon") << basic("aliceright") << false;
        QTest::newRow("no header") << QByteArray() << false;
        QTest::newRow("other scheme") << "Bearer " + QByteArray("alice:right").toBase64() << false;
        QTest::newRow("not base64") << QByteArray("Basic !!!") << false;
        QTest::newRow("NUL in the password") << basic(QByteArray("alice:right\0x", 13)) << false;
    }
    void headersAreChecked()
    {
        QFETCH(QByteArray, authorization);
        QFETCH(bool, allowed);
        BasicAuthCheck check({{"alice", bcryptHash("right", "$2y$", 4)},
                              {"bob", bcryptHash("a:b:c", "$2b$", 4)},
                              {"carol", bcryptHash("third", "$2a$", 4)}});
        // Before any bcrypt run nothing is known to pass; what is plainly malformed is known to fail.
        QVERIFY(check.quickVerdict(authorization) != std::optional<bool>(true));
        QFuture<bool> later = check.verifyLater(authorization);
        later.waitForFinished();
        QCOMPARE(later.result(), allowed);
        QCOMPARE(check.verify(authorization), allowed);
        // A pair that passed is remembered; one that failed is not, so it pays for bcrypt every time.
        QCOMPARE(check.quickVerdict(authorization).value_or(false), allowed);
        if (allowed)
            QCOMPARE(check.quickVerdict(basic("alice:wrong")), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(BasicAuthCheckTest)
#include "BasicAuthCheckTest.moc"
