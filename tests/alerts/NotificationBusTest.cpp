#include "alerts/AlertNotifier.h"
#include "alerts/DBusNotificationSender.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

// A scripted notification server: keeps what it is asked to show.
class ScriptedNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        QString application;
        QString summary;
        QString body;
    };
    QList<Shown> shown;

public Q_SLOTS:
    uint Notify(const QString& application, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        shown.append({application, summary, body});
        return static_cast<uint>(shown.size());
    }
};

namespace
{
HostEvents downs(int n)
{
    HostEvents events;
    for (int i = 0; i < n; ++i)
        events << HostEvent{QStringLiteral("host%1").arg(i), HostState::Down,
                            QDateTime(QDate(2026, 3, 4), QTime(10, 0)), std::nullopt,
                            QStringLiteral("Request timed out")};
    return events;
}
} // namespace

class NotificationBusTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_bus.start(QStringLiteral("dbus-daemon"), {"--session", "--print-address", "--nofork", "--nopidfile"});
        QVERIFY(m_bus.waitForStarted(10000));
        QVERIFY(QTest::qWaitFor([&] { return m_bus.canReadLine(); }, 10000));
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
        QVERIFY(!m_address.isEmpty());
        // Before the first use of the session bus, so the program's own connection goes to the private bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    void noServiceNoError()
    {
        DBusNotificationSender sender;
        AlertNotifier notifier(sender);
        notifier.notify(downs(1)); // nobody owns the name: nothing to see, nothing to fail
        QTest::qWait(200);
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QStringLiteral("org.freedesktop.Notifications")));
    }

    void notificationsReachTheServer()
    {
        QDBusConnection serverBus = QDBusConnection::connectToBus(m_address, QStringLiteral("server"));
        QVERIFY(serverBus.isConnected());
        ScriptedNotificationServer server;
        QVERIFY(serverBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                         QDBusConnection::ExportAllSlots));
        QVERIFY(serverBus.registerService(QStringLiteral("org.freedesktop.Notifications")));

        DBusNotificationSender sender;
        AlertNotifier notifier(sender);
        notifier.notify(downs(2)); // one each
        QTRY_COMPARE(server.shown.size(), 2);
        QCOMPARE(server.shown.at(0).application, QStringLiteral("Vantrel"));
        QCOMPARE(server.shown.at(0).summary, QStringLiteral("host0 is down"));
        QCOMPARE(server.shown.at(1).summary, QStringLiteral("host1 is down"));

        notifier.notify(downs(12)); // one round, many hosts: a single notification
        QTRY_COMPARE(server.shown.size(), 3);
        QCOMPARE(server.shown.at(2).summary, QStringLiteral("12 hosts down: host0, host1, host2, …"));
        QTest::qWait(200);
        QCOMPARE(server.shown.size(), 3);

        serverBus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("server"));
    }

    void cleanupTestCase()
    {
        if (m_bus.state() != QProcess::NotRunning) {
            m_bus.terminate();
            m_bus.waitForFinished(5000);
        }
    }

private:
    QProcess m_bus;
    QString m_address;
};

QTEST_GUILESS_MAIN(NotificationBusTest)
#include "NotificationBusTest.moc"
