#pragma once

#include "platform/HostResolver.h"
#include "platform/IpAddress.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

// Resolves through QHostInfo, whose lookups run on a small pool of Qt's worker threads. A name that is
// still being looked up is not asked again: its callers wait for the one answer. Without that, a name
// whose lookup hangs would take one more worker at every round until none is left for the others.
class QtHostResolver : public HostResolver
{
public:
    // family limits the answers to one family; Unspecified takes IPv4 first, else IPv6.
    explicit QtHostResolver(IpFamily family = IpFamily::Unspecified);
    ~QtHostResolver() override;

    void resolve(const QString& name, QObject* context, Done done) override;
    // Names with a lookup under way.
    int pendingCount() const { return static_cast<int>(m_waiting.size()); }

private:
    struct Waiter {
        QPointer<QObject> context;
        Done done;
    };
    IpFamily m_family;
    QObject m_receiver; // QHostInfo answers on this object's thread; it dies with us, so late answers go nowhere
    QHash<QString, QList<Waiter>> m_waiting;
};
