#include "alerts/Silences.h"

#include <QtTest>

namespace
{
const QDateTime T0(QDate(2026, 12, 7), QTime(15, 5, 9));
using Entry = Silences::Entry;
using Entries = QList<Silences::Entry>;
} // namespace

class SilencesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QDateTime>("until");
        QTest::addColumn<QString>("error");
        const QDateTime none;
        QTest::newRow("hours") << "answer.lab@2h"
                               << "answer.lab" << T0.addSecs(7200) << "";
        QTest::newRow("every host, two units") << "*@1h30m"
                                               << "*" << T0.addSecs(5400) << "";
        QTest::newRow("local time") << "answer.lab@2026-12-10T06:00"
                                    << "answer.lab" << QDateTime(QDate(2026, 12, 10), QTime(6, 0)) << "";
        QTest::newRow("UTC") << "answer.lab@2026-12-10T06:00Z"
                             << "answer.lab" << QDateTime(QDate(2026, 12, 10), QTime(6, 0), Qt::UTC) << "";
        QTest::newRow("offset") << "answer.lab@2026-12-10T06:00:30+01:00"
                                << "answer.lab" << QDateTime(QDate(2026, 12, 10), QTime(5, 0, 30), Qt::UTC) << "";
        QTest::newRow("IPv6 with zone") << "fe80::1%eth0@10m"
                                        << "fe80::1%eth0" << T0.addSecs(600) << "";
        QTest::newRow("no @") << "answer.lab"
                              << "" << none << "quiet period \"answer.lab\": expected HOST@DURATION or HOST@TIME";
        QTest::newRow("no host") << "@2h"
                                 << "" << none << "quiet period \"@2h\": no host before \"@\" (\"*\" for every host)";
        QTest::newRow("no unit") << "answer.lab@2"
                                 << "" << none
                                 << "quiet period \"answer.lab@2\": \"2\" is neither a duration such as 2h or 1h30m "
                                    "nor a time such as 2026-12-10T06:00";
        QTest::newRow("zero") << "answer.lab@0m"
                              << "" << none << "quiet period \"answer.lab@0m\": the duration is zero";
        QTest::newRow("past") << "answer.lab@2026-12-07T15:05"
                              << "" << none
                              << "quiet period \"answer.lab@2026-12-07T15:05\": 2026-12-07T15:05 is already past";
        QTest::newRow("no such time")
            << "answer.lab@2026-13-10T06:00"
            << "" << none
            << "quiet period \"answer.lab@2026-13-10T06:00\": \"2026-13-10T06:00\" is not a time such as "
               "2026-12-10T06:00";
    }
    void parses()
    {
        QFETCH(QString, text);
        QFETCH(QString, host);
        QFETCH(QDateTime, until);
        QFETCH(QString, error);
        QString got;
        const std::optional<Entry> entry = Silences::parse(text, T0, &got);
        QCOMPARE(got, error);
        QCOMPARE(entry.has_value(), error.isEmpty());
        if (entry) {
            QCOMPARE(entry->host, host);
            QCOMPARE(entry->until, until);
        }
    }

    void silences_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("atMinutes");
        QTest::addColumn<bool>("silenced");
        QTest::newRow("its own") << "answer.lab" << 60 << true;
        QTest::newRow("its own, over") << "answer.lab" << 120 << false;
        QTest::newRow("every host") << "other.lab" << 29 << true;
        QTest::newRow("every host, over") << "other.lab" << 30 << false;
        QTest::newRow("shortened") << "short.lab" << 44 << true;
        QTest::newRow("shortened, over") << "short.lab" << 45 << false;
        QTest::newRow("removed") << "gone.lab" << 40 << false;
    }
    void silences()
    {
        QFETCH(QString, host);
        QFETCH(int, atMinutes);
        QFETCH(bool, silenced);
        Silences s;
        s.add({"answer.lab", T0.addSecs(7200)});
        s.add({"*", T0.addSecs(1800)});
        s.add({"short.lab", T0.addSecs(5400)});
        s.add({"short.lab", T0.addSecs(2700)});
        s.add({"gone.lab", T0.addSecs(3600)});
        s.remove("gone.lab");
        QCOMPARE(s.isSilenced(host, T0.addSecs(60 * atMinutes)), silenced);
    }

    void listsAndExpires()
    {
        Silences s;
        s.add({"b.lab", T0.addSecs(7200)});
        s.add({"a.lab", T0.addSecs(600)});
        s.add({"c.lab", T0.addSecs(3600)});
        s.add({"*", T0.addSecs(1800)});
        QCOMPARE(s.list(T0), (Entries{{"*", T0.addSecs(1800)},
                                      {"a.lab", T0.addSecs(600)},
                                      {"b.lab", T0.addSecs(7200)},
                                      {"c.lab", T0.addSecs(3600)}}));
        const QDateTime later = T0.addSecs(1800);
        QCOMPARE(s.list(later), (Entries{{"b.lab", T0.addSecs(7200)}, {"c.lab", T0.addSecs(3600)}}));
        QCOMPARE(s.expire(later), (Entries{{"*", T0.addSecs(1800)}, {"a.lab", T0.addSecs(600)}}));
        QCOMPARE(s.expire(later), Entries{});
        QCOMPARE(s.list(later), (Entries{{"b.lab", T0.addSecs(7200)}, {"c.lab", T0.addSecs(3600)}}));
        QCOMPARE(s.expire(T0.addSecs(7200)).size(), 2);
        QVERIFY(s.isEmpty());
    }
};

QTEST_GUILESS_MAIN(SilencesTest)
#include "SilencesTest.moc"
