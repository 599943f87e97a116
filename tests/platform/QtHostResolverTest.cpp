#include "platform/QtHostResolver.h"

#include <QtTest>
#include <memory>

// Resolves "localhost" only, which the machine answers from its hosts file.
class QtHostResolverTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void oneLookupServesEveryCallerOfAName()
    {
        QtHostResolver resolver;
        QStringList answers;
        auto gone = std::make_unique<QObject>();
        bool goneAnswered = false;
        resolver.resolve(QStringLiteral("localhost"), this, [&](const QString& a) { answers.append(a); });
        resolver.resolve(QStringLiteral("localhost"), gone.get(), [&](const QString&) { goneAnswered = true; });
        resolver.resolve(QStringLiteral("localhost"), this, [&](const QString& a) { answers.append(a); });
        QCOMPARE(resolver.pendingCount(), 1);
        gone.reset();
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 2, 10000);
        QCOMPARE(answers, (QStringList{"127.0.0.1", "127.0.0.1"}));
        QVERIFY(!goneAnswered);
        QCOMPARE(resolver.pendingCount(), 0);
    }
};

QTEST_GUILESS_MAIN(QtHostResolverTest)
#include "QtHostResolverTest.moc"
