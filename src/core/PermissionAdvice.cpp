#include "core/PermissionAdvice.h"

#include <QCoreApplication>

QString PermissionAdvice::text(const QString& reason)
{
    QString path = QCoreApplication::applicationFilePath();
    if (path.isEmpty())
        path = QStringLiteral("/path/to/vantrel");
    return QStringLiteral("Vantrel cannot send pings: this system does not permit ICMP echo for this user (%1).\n\n"
                          "To permit it, either give the program the raw socket capability:\n"
                          "    sudo setcap cap_net_raw+ep %2\n"
                          "or let every group use ping sockets:\n"
                          "    sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"")
        .arg(reason, path);
}
