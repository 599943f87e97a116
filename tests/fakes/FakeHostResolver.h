#pragma once

#include "HostResolver.h"

#include <QHash>
#include <QPointer>
#include <QTimer>

// Answers from a table, on the next turn of the event loop; unknown names give the empty text.
class FakeHostResolver : public HostResolver {
public:
    void resolve(const QString& name, QObject* context, Done done) override
    {
        ++lookups;
        const QString address = table.value(name);
        QTimer::singleShot(0, context, [done = std::move(done), address] { done(address); });
    }
    QHash<QString, QString> table;
    int lookups = 0;
};
