#pragma once

#include "platform/ProcessRunner.h"

#include <QList>

// Keeps each capture request; the test answers it with finish().
class FakeProcessRunner : public ProcessRunner
{
public:
    struct Request {
        QString program;
        QStringList arguments;
        QStringList environment;
        bool captureOutput;
        bool captureError;
        Done done;
    };
    void capture(const QString& program, const QStringList& arguments, const QStringList& environment,
                 bool captureOutput, bool captureError, int, Done done) override
    {
        requests.append({program, arguments, environment, captureOutput, captureError, std::move(done)});
    }
    void finish(int i, const QString& output) { requests[i].done(output); }
    QList<Request> requests;
};
