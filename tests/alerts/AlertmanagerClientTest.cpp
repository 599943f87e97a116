#include "alerts/AlertmanagerClient.h"

#include "tests/fakes/FakeAlertmanager.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakeRandom.h"

#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>
#include <algorithm>

// What the client posts and when, seen by a scripted endpoint on loopback; AlertmanagerServerTest has the
// real server.
namespace
{
const QDateTime T0(QDate(2026, 12, 7), QTime(15, 5, 9), Qt::UTC);
constexpr int Wait = 10000;

AlertmanagerClient::Alert down(const QString& host, const QString& status = QStringLiteral("Request timed out"))
{
    return {"VantrelHostDown",
            host,
            "critical",
            host + " is down",
            status,
            T0.addSecs(-60),
            {{"site", "lab"}, {"host", "not this"}}};
}

QJsonObject posted(const QString& host, const QString& status, const QString& endsAt = {})
{
    QJsonObject o{
        {"labels", QJsonObject{{"alertname", "VantrelHostDown"},
                               {"host", host},
                               {"instance", "probe-1"},
                               {"severity", "critical"},
                               {"site", "lab"}}},
        {"annotations",
         QJsonObject{{"summary", host + " is down"}, {"status", status}, {"since", "2026-12-07T15:04:09.000Z"}}},
        {"startsAt", "2026-12-07T15:04:09.000Z"},
        {"generatorURL", "http://probe-1:9374/"}};
    if (!endsAt.isEmpty())
        o.insert("endsAt", endsAt);
    return o;
}

// Posts carry alerts in no particular order.
QJsonArray sorted(const QJsonArray& alerts)
{
    QList<QJsonObject> list;
    for (const QJsonValue& a : alerts)
        list << a.toObject();
    std::sort(list.begin(), list.end(), [](const QJsonObject& a, const QJsonObject& b) {
        return a["labels"]["host"].toString() < b["labels"]["host"].toString();
    });
    QJsonArray result;
    for (const QJsonObject& a : list)
        result.append(a);
    return result;
}

AlertmanagerClient::Options options(const QList<QUrl>& urls)
{
    AlertmanagerClient::Options o;
    o.urls = urls;
    o.instance = QStringLiteral("probe-1");
    o.generatorUrl = QUrl(QStringLiteral("http://probe-1:9374/"));
    o.firstRetryMs = 50;
    o.maxRetryMs = 200;
    return o;
}
} // namespace

class AlertmanagerClientTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void postsChangesAndResolutions()
    {
        FakeAlertmanager server;
        const quint16 port = server.listenOnLoopback();
        QVERIFY(port != 0);
        FakeClock clock;
        clock.current = T0;
        FakeRandom random;
        AlertmanagerClient client(options({QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port))}), clock, random);

        // The second comes while the first post is under way, and follows it.
        client.setActive({down("a.lab")});
        client.setActive({down("a.lab"), down("b.lab")});
        QTRY_COMPARE_WITH_TIMEOUT(server.posts.size(), 2, Wait);
        QCOMPARE(server.posts.at(0), QJsonArray{posted("a.lab", "Request timed out")});
        QCOMPARE(sorted(server.posts.at(1)),
                 (QJsonArray{posted("a.lab", "Request timed out"), posted("b.lab", "Request timed out")}));

        // A new status text alone is no reason to post; it goes with the next post. An alert that went away is
        // posted once, with the time it went.
        client.setActive({down("a.lab", "Destination host unreachable"), down("b.lab")});
        clock.current = T0.addSecs(30);
        client.setActive({down("b.lab")});
        client.setActive({down("b.lab")});
        QTRY_COMPARE_WITH_TIMEOUT(server.posts.size(), 3, Wait);
        QCOMPARE(sorted(server.posts.at(2)),
                 (QJsonArray{posted("a.lab", "Destination host unreachable", "2026-12-07T15:05:39.000Z"),
                             posted("b.lab", "Request timed out")}));
        client.setActive({});
        QTRY_COMPARE_WITH_TIMEOUT(server.posts.size(), 4, Wait);
        QCOMPARE(server.posts.at(3), QJsonArray{posted("b.lab", "Request timed out", "2026-12-07T15:05:39.000Z")});
    }

    // While posts fail, each retry carries the newest state, including what went away meanwhile; the failure is
    // told once, and only for the Alertmanager that fails.
    void retriesWithTheNewestState()
    {
        FakeAlertmanager server;
        const quint16 port = server.listenOnLoopback();
        QVERIFY(port != 0);
        server.status = QHttpServerResponder::StatusCode::ServiceUnavailable;
        server.body = "down for a test\nsecond line";
        QTcpServer unused; // a port nothing listens on once it is closed
        QVERIFY(unused.listen(QHostAddress::LocalHost));
        const quint16 deadPort = unused.serverPort();
        unused.close();
        FakeClock clock;
        clock.current = T0;
        FakeRandom random(0.0);
        const QString url = QStringLiteral("http://127.0.0.1:%1").arg(port);
        const QString deadUrl = QStringLiteral("http://127.0.0.1:%1").arg(deadPort);
        AlertmanagerClient client(options({QUrl(url), QUrl(deadUrl)}), clock, random);
        QSignalSpy failed(&client, &AlertmanagerClient::failed);
        QSignalSpy recovered(&client, &AlertmanagerClient::recovered);

        client.setActive({down("a.lab")});
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 2, Wait);
        const QSet<QString> messages{failed.at(0).at(0).toString(), failed.at(1).at(0).toString()};
        QCOMPARE(messages,
                 (QSet<QString>{"alertmanager " + url + ": HTTP 503 Service Unavailable: down for a test; retrying",
                                "alertmanager " + deadUrl + ": connection refused; retrying"}));

        clock.current = T0.addSecs(30);
        client.setActive({down("b.lab")});
        const QJsonArray newest{posted("a.lab", "Request timed out", "2026-12-07T15:05:39.000Z"),
                                posted("b.lab", "Request timed out")};
        QTRY_VERIFY_WITH_TIMEOUT(sorted(server.posts.last()) == newest, Wait);
        const qsizetype failedPosts = server.posts.size();
        QTRY_VERIFY_WITH_TIMEOUT(server.posts.size() > failedPosts, Wait); // still retrying
        QCOMPARE(failed.size(), 2);

        server.status = QHttpServerResponder::StatusCode::Ok;
        QTRY_COMPARE_WITH_TIMEOUT(recovered.size(), 1, Wait);
        QCOMPARE(recovered.at(0).at(0).toString(), "alertmanager " + url + ": delivering alerts again");
        QCOMPARE(sorted(server.posts.last()), newest);

        // The resolution got through, so it is not posted again.
        client.setActive({});
        QTRY_COMPARE_WITH_TIMEOUT(server.posts.last(),
                                  QJsonArray{posted("b.lab", "Request timed out", "2026-12-07T15:05:39.000Z")}, Wait);
        QCOMPARE(failed.size(), 2);
    }
};

QTEST_GUILESS_MAIN(AlertmanagerClientTest)
#include "AlertmanagerClientTest.moc"
