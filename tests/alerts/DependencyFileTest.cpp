#include "alerts/DependencyFile.h"

#include <QtTest>

class DependencyFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QStringList>("parents");
        QTest::addColumn<QStringList>("order"); // parents first
        QTest::addColumn<QString>("error");
        QTest::newRow("comments, blanks and tabs")
            << "# site A\n\n  a.lab   gw.lab # through the gateway\n\tb.lab\tgw.lab\r\n"
            << "a.lab" << QStringList{"gw.lab"} << QStringList{"gw.lab", "a.lab", "b.lab"} << QString();
        QTest::newRow("byte order mark") << QString(QChar(0xfeff)) + "a b\n"
                                         << "a" << QStringList{"b"} << QStringList{"b", "a"} << QString();
        QTest::newRow("a chain") << "a b\nb c\n"
                                 << "a" << QStringList{"b"} << QStringList{"c", "b", "a"} << QString();
        QTest::newRow("several parents, a line twice")
            << "a b\na c\na b\nc d\n"
            << "a" << QStringList{"b", "c"} << QStringList{"b", "d", "c", "a"} << QString();
        QTest::newRow("a parent only") << "a b\n"
                                       << "b" << QStringList{} << QStringList{"b", "a"} << QString();
        QTest::newRow("empty") << "# nothing yet\n"
                               << "a" << QStringList{} << QStringList{} << QString();
        QTest::newRow("one word") << "a b\n\nc # no parent\n"
                                  << "" << QStringList{} << QStringList{}
                                  << "deps.txt:3: expected CHILD PARENT, found 1 word";
        QTest::newRow("three words") << "a b c\n"
                                     << "" << QStringList{} << QStringList{}
                                     << "deps.txt:1: expected CHILD PARENT, found 3 words";
        QTest::newRow("cycle") << "a b\nb c\nc a\n"
                               << "" << QStringList{} << QStringList{}
                               << "deps.txt:3: dependency cycle: a -> b -> c -> a";
        QTest::newRow("cycle further up")
            << "x a\na b\nb a\n"
            << "" << QStringList{} << QStringList{} << "deps.txt:3: dependency cycle: a -> b -> a";
        QTest::newRow("own parent") << "a b\nc c\n"
                                    << "" << QStringList{} << QStringList{} << "deps.txt:2: dependency cycle: c -> c";
    }
    void parses()
    {
        QFETCH(QString, text);
        QFETCH(QString, host);
        QFETCH(QStringList, parents);
        QFETCH(QStringList, order);
        QFETCH(QString, error);
        QString got;
        const std::optional<DependencyFile> deps = DependencyFile::parse(text, QStringLiteral("deps.txt"), &got);
        QCOMPARE(got, error);
        QCOMPARE(deps.has_value(), error.isEmpty());
        if (deps) {
            QCOMPARE(deps->parentsOf(host), parents);
            QCOMPARE(deps->parentsFirst(), order);
        }
    }

    void cutOff_data()
    {
        QTest::addColumn<QStringList>("down");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("blocker");
        QTest::newRow("nothing down") << QStringList{} << "a"
                                      << "";
        QTest::newRow("its parent") << QStringList{"gw1"} << "a"
                                    << "gw1";
        QTest::newRow("further up the chain") << QStringList{"core"} << "a"
                                              << "core";
        QTest::newRow("the nearest") << QStringList{"core", "gw1"} << "a"
                                     << "gw1";
        QTest::newRow("its own state does not count") << QStringList{"a"} << "a"
                                                      << "";
        QTest::newRow("a second way in") << QStringList{"gw1"} << "b"
                                         << "";
        QTest::newRow("both ways down") << QStringList{"gw2", "gw1"} << "b"
                                        << "gw1";
        QTest::newRow("both ways behind one") << QStringList{"core"} << "b"
                                              << "core";
        QTest::newRow("one way down, one behind") << QStringList{"gw1", "core"} << "b"
                                                  << "gw1";
        QTest::newRow("not in the file") << QStringList{"core"} << "z"
                                         << "";
    }
    void cutOff()
    {
        QFETCH(QStringList, down);
        QFETCH(QString, host);
        QFETCH(QString, blocker);
        QString error;
        const std::optional<DependencyFile> deps = DependencyFile::parse(QStringLiteral("a gw1\n"
                                                                                        "gw1 core\n"
                                                                                        "b gw1\n"
                                                                                        "b gw2\n"
                                                                                        "gw2 core\n"),
                                                                         QStringLiteral("deps.txt"), &error);
        QVERIFY2(deps, qPrintable(error));
        QStringList asked;
        QCOMPARE(deps->downAncestor(host,
                                    [&](const QString& h) {
                                        asked << h;
                                        return down.contains(h);
                                    }),
                 blocker);
        QVERIFY(!asked.contains(host));
    }

    // Chains are walked without recursion, so a long one neither overflows the stack nor fails.
    void longChain()
    {
        constexpr int Hosts = 100000;
        QString text;
        for (int i = 0; i + 1 < Hosts; ++i)
            text += QStringLiteral("h%1 h%2\n").arg(i).arg(i + 1);
        text += QStringLiteral("h%1 h0\n").arg(Hosts - 1);
        QString error;
        QVERIFY(!DependencyFile::parse(text, QStringLiteral("deps.txt"), &error));
        QVERIFY(error.startsWith(QStringLiteral("deps.txt:%1: dependency cycle: h0 -> h1 -> ").arg(Hosts)));

        text.chop(QStringLiteral("h%1 h0\n").arg(Hosts - 1).size());
        const std::optional<DependencyFile> deps = DependencyFile::parse(text, QStringLiteral("deps.txt"), &error);
        QVERIFY(deps);
        QCOMPARE(deps->parentsFirst().first(), QStringLiteral("h%1").arg(Hosts - 1));
        const QString top = QStringLiteral("h%1").arg(Hosts - 1);
        QCOMPARE(deps->downAncestor(QStringLiteral("h0"), [&](const QString& h) { return h == top; }), top);
    }
};

QTEST_GUILESS_MAIN(DependencyFileTest)
#include "DependencyFileTest.moc"
