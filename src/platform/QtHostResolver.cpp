#include "QtHostResolver.h"

#include <QHostAddress>
#include <QHostInfo>

void QtHostResolver::resolve(const QString& name, QObject* context, Done done)
{
    QHostInfo::lookupHost(name, context, [done = std::move(done)](const QHostInfo& info) {
        for (const QHostAddress& address : info.addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                done(address.toString());
                return;
            }
        }
        done(QString());
    });
}
