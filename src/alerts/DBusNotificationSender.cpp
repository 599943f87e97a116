#include "alerts/DBusNotificationSender.h"

#include <QDBusMessage>
#include <QVariantMap>

DBusNotificationSender::DBusNotificationSender(QDBusConnection connection) : m_connection(std::move(connection)) {}

void DBusNotificationSender::notify(const QString& summary, const QString& body)
{
    if (!m_connection.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Vantrel") << quint32(0) << QStringLiteral("vantrel") << summary << body << QStringList()
         << QVariantMap() << qint32(-1);
    // The id the server answers with is of no use, and an error (no service) is not the user's concern.
    call.setAutoStartService(true);
    m_connection.send(call);
}
