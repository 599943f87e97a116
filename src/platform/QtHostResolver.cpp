#include "QtHostResolver.h"

#include <QHostAddress>
#include <QHostInfo>

QtHostResolver::QtHostResolver() = default;
QtHostResolver::~QtHostResolver() = default;

void QtHostResolver::resolve(const QString& name, QObject* context, Done done)
{
    auto waiting = m_waiting.find(name);
    if (waiting != m_waiting.end()) {
        waiting->append({context, std::move(done)});
        return;
    }
    m_waiting.insert(name, {{context, std::move(done)}});
    QHostInfo::lookupHost(name, &m_receiver, [this, name](const QHostInfo& info) {
        QString found;
        for (const QHostAddress& address : info.addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                found = address.toString();
                break;
            }
        }
        const QList<Waiter> waiters = m_waiting.take(name);
        for (const Waiter& waiter : waiters) {
            if (waiter.context)
                waiter.done(found);
        }
    });
}
