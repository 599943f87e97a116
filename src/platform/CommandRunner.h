#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>

// Starts a command and reports how it ended, without waiting for it. Nothing it writes is captured.
class CommandRunner
{
public:
    virtual ~CommandRunner() = default;

    // failure is empty when the command ran and exited with status 0.
    using Done = std::function<void(const QString& failure)>;
    // environment is added to the program's own. The command is killed after timeoutMs; done runs once,
    // on the caller's thread.
    virtual void run(const QString& program, const QStringList& arguments, const QMap<QString, QString>& environment,
                     int timeoutMs, Done done) = 0;
};
