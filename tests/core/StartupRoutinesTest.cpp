#include "core/StartupRoutines.h"

#include "tests/fakes/FakeRandom.h"
#include "tests/fakes/FakeUrlOpener.h"

#include <QTemporaryDir>
#include <QtTest>

class StartupRoutinesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shortenAppTitle_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("title");
        QTest::newRow("one word stands whole") << QStringLiteral("Vantrel") << QStringLiteral("Vantrel");
        QTest::newRow("last word always goes")
            << QStringLiteral("Vantrel Ping Monitor") << QStringLiteral("Vantrel Ping");
        QTest::newRow("long name keeps whole words within 40")
            << QStringLiteral("Vantrel Multiple Host Reachability Monitor For Desktops")
            << QStringLiteral("Vantrel Multiple Host Reachability");
    }
    void shortenAppTitle()
    {
        QFETCH(QString, product);
        QFETCH(QString, title);
        QCOMPARE(StartupRoutines::shortenedTitle(product), title);
        QVERIFY(StartupRoutines::shortenedTitle(product).size() <= std::max<qsizetype>(40, product.indexOf(u' ')));
    }

    void websiteOpensOnlyAtSeven_data()
    {
        QTest::addColumn<double>("random");
        QTest::addColumn<int>("draw");
        QTest::addColumn<bool>("opened");
        QTest::newRow("draw 7") << 0.0612 << 7 << true;
        QTest::newRow("draw 8") << 0.07 << 8 << false;
        QTest::newRow("draw 1") << 0.0 << 1 << false;
        QTest::newRow("draw 100") << 0.99999 << 100 << false;
    }
    void websiteOpensOnlyAtSeven()
    {
        QFETCH(double, random);
        QFETCH(int, draw);
        QFETCH(bool, opened);
        FakeRandom source(random);
        FakeUrlOpener opener;
        QCOMPARE(StartupRoutines::occasionalWebsiteVisit(source, opener), draw);
        QCOMPARE(opener.opened.size(), opened ? 1 : 0);
        if (opened)
            QCOMPARE(opener.opened.first().scheme(), QStringLiteral("https"));
    }

    void fileExists()
    {
        QTemporaryDir dir;
        QVERIFY(!StartupRoutines::fileExists(dir.filePath(QStringLiteral("HAND-M.CUR"))));
        QFile file(dir.filePath(QStringLiteral("HAND-M.CUR")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(StartupRoutines::fileExists(file.fileName()));
        QVERIFY(!StartupRoutines::fileExists(QString()));
    }
};

QTEST_GUILESS_MAIN(StartupRoutinesTest)
#include "StartupRoutinesTest.moc"
