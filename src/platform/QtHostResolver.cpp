#include "platform/QtHostResolver.h"

#include <QHostAddress>
#include <QHostInfo>

namespace
{

// The address of the answer that the host is pinged at; empty when none fits. A name with both families is
// pinged over IPv4, as it was before there was IPv6.
QString pick(const QList<QHostAddress>& addresses, IpFamily family)
{
    for (const auto protocol : {QAbstractSocket::IPv4Protocol, QAbstractSocket::IPv6Protocol}) {
        if ((protocol == QAbstractSocket::IPv4Protocol && family == IpFamily::IPv6) ||
            (protocol == QAbstractSocket::IPv6Protocol && family == IpFamily::IPv4))
            continue;
        for (const QHostAddress& address : addresses) {
            if (address.protocol() == protocol)
                return address.toString();
        }
    }
    return {};
}

} // namespace

QtHostResolver::QtHostResolver(IpFamily family) : m_family(family) {}
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
        const QString found = pick(info.addresses(), m_family);
        const QList<Waiter> waiters = m_waiting.take(name);
        for (const Waiter& waiter : waiters) {
            if (waiter.context)
                waiter.done(found);
        }
    });
}
