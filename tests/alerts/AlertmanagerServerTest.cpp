#include "alerts/AlertmanagerClient.h"
#include "platform/SystemClock.h"
#include "tests/alerts/AlertmanagerProcess.h"
#include "tests/fakes/FakeRandom.h"

#include <QJsonObject>
#include <QSignalSpy>

// The client against a real Alertmanager on loopback: what it posts is taken, shown as active, and resolved.
namespace
{
constexpr int Wait = 20000;

AlertmanagerClient::Alert down(const QString& host, const QDateTime& since)
{
    return {"VantrelHostDown", host, "critical", host + " is down", "Request timed out", since, {{"site", "lab"}}};
}

AlertmanagerClient::Options options(const QString& url)
{
    AlertmanagerClient::Options o;
    o.urls = {QUrl(url)};
    o.instance = QStringLiteral("probe-1");
    o.firstRetryMs = 100;
    o.maxRetryMs = 400;
    return o;
}

QStringList hostsOf(const QJsonArray& alerts)
{
    QStringList hosts;
    for (const QJsonValue& a : alerts)
        hosts << a["labels"]["host"].toString();
    hosts.sort();
    return hosts;
}
} // namespace

class AlertmanagerServerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        if (AlertmanagerProcess::binary().isEmpty())
            QSKIP("prometheus-alertmanager is not installed (Debian package prometheus-alertmanager)");
    }

    void activeThenResolved()
    {
        AlertmanagerProcess am;
        QVERIFY2(am.start(), am.output().constData());
        SystemClock clock;
        FakeRandom random;
        AlertmanagerClient::Options o = options(am.url());
        o.repostMs = 300;
        AlertmanagerClient client(o, clock, random);
        QSignalSpy failed(&client, &AlertmanagerClient::failed);
        const QDateTime since = QDateTime::currentDateTimeUtc().addSecs(-300);

        client.setActive({down("answer.lab", since)});
        QJsonArray alerts;
        QTRY_VERIFY_WITH_TIMEOUT((alerts = am.activeAlerts()).size() == 1, Wait);
        const QJsonObject alert = alerts.at(0).toObject();
        QCOMPARE(alert["labels"].toObject(), (QJsonObject{{"alertname", "VantrelHostDown"},
                                                          {"host", "answer.lab"},
                                                          {"instance", "probe-1"},
                                                          {"severity", "critical"},
                                                          {"site", "lab"}}));
        QCOMPARE(alert["annotations"]["summary"].toString(), QStringLiteral("answer.lab is down"));
        QCOMPARE(alert["annotations"]["status"].toString(), QStringLiteral("Request timed out"));
        QCOMPARE(QDateTime::fromString(alert["annotations"]["since"].toString(), Qt::ISODateWithMs), since);
        QCOMPARE(QDateTime::fromString(alert["startsAt"].toString(), Qt::ISODateWithMs), since);
        QCOMPARE(alert["status"]["state"].toString(), QStringLiteral("active"));

        // Posted again without a change: Alertmanager notes each post as an update.
        const QString updated = alert["updatedAt"].toString();
        QTRY_VERIFY_WITH_TIMEOUT(am.activeAlerts().at(0)["updatedAt"].toString() != updated, Wait);

        client.setActive({});
        QTRY_COMPARE_WITH_TIMEOUT(am.activeAlerts().size(), 0, Wait);
        QCOMPARE(failed.size(), 0);
    }

    // Alertmanager not there yet: one failure is told, retries go on, and once it is up it gets the newest
    // state, not the alerts that were over before it came.
    void retriesUntilItStarts()
    {
        AlertmanagerProcess am;
        SystemClock clock;
        FakeRandom random;
        AlertmanagerClient client(options(am.url()), clock, random);
        QSignalSpy failed(&client, &AlertmanagerClient::failed);
        QSignalSpy recovered(&client, &AlertmanagerClient::recovered);
        const QDateTime since = QDateTime::currentDateTimeUtc().addSecs(-60);

        client.setActive({down("a.lab", since)});
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, Wait);
        QCOMPARE(failed.at(0).at(0).toString(), "alertmanager " + am.url() + ": connection refused; retrying");
        client.setActive({down("b.lab", since)});
        QTest::qWait(1000); // several retries
        QCOMPARE(failed.size(), 1);
        QCOMPARE(recovered.size(), 0);

        QVERIFY2(am.start(), am.output().constData());
        QTRY_COMPARE_WITH_TIMEOUT(recovered.size(), 1, Wait);
        QTRY_COMPARE_WITH_TIMEOUT(hostsOf(am.activeAlerts()), QStringList{"b.lab"}, Wait);
        QCOMPARE(recovered.at(0).at(0).toString(), "alertmanager " + am.url() + ": delivering alerts again");
        QCOMPARE(failed.size(), 1);
    }
};

QTEST_GUILESS_MAIN(AlertmanagerServerTest)
#include "AlertmanagerServerTest.moc"
