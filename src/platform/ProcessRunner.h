#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Runs a console command and hands back what it wrote, asynchronously.
class ProcessRunner
{
public:
    virtual ~ProcessRunner() = default;

    using Done = std::function<void(const QString& output)>;
    // done runs once, on the caller's thread, when the command has closed its output or the timeout
    // has passed. environment holds "NAME=value" settings on top of the program's own environment.
    // Throws AppError when neither stream is asked for.
    virtual void capture(const QString& program, const QStringList& arguments, const QStringList& environment,
                         bool captureOutput, bool captureError, int timeoutMs, Done done) = 0;
};
