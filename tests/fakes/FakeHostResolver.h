#pragma once

#include "platform/HostResolver.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QTimer>

// Answers from a table, on the next turn of the event loop; unknown names give the empty text. Names in
// `held` get no answer until the test calls answerHeld().
class FakeHostResolver : public HostResolver
{
public:
    void resolve(const QString& name, QObject* context, Done done) override
    {
        ++lookups;
        if (held.contains(name)) {
            m_held.append({name, context, std::move(done)});
            return;
        }
        const QString address = table.value(name);
        QTimer::singleShot(0, context, [done = std::move(done), address] { done(address); });
    }
    // Answers every held lookup from the table, now.
    void answerHeld()
    {
        const QList<Held> answered = std::exchange(m_held, {});
        for (const Held& h : answered) {
            if (h.context)
                h.done(table.value(h.name));
        }
    }

    QHash<QString, QString> table;
    QSet<QString> held;
    int lookups = 0;

private:
    struct Held {
        QString name;
        QPointer<QObject> context;
        Done done;
    };
    QList<Held> m_held;
};
