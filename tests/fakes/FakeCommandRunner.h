#pragma once

#include "platform/CommandRunner.h"

#include <QList>

// Keeps each command; the test ends it with finish().
class FakeCommandRunner : public CommandRunner
{
public:
    struct Request {
        QString program;
        QStringList arguments;
        QMap<QString, QString> environment;
        int timeoutMs;
        Done done;
    };
    void run(const QString& program, const QStringList& arguments, const QMap<QString, QString>& environment,
             int timeoutMs, Done done) override
    {
        requests.append({program, arguments, environment, timeoutMs, std::move(done)});
    }
    void finish(int i, const QString& failure = {}) { requests[i].done(failure); }
    QList<Request> requests;
};
