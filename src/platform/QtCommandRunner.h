#pragma once

#include "platform/CommandRunner.h"

#include <QObject>

// Runs commands as child processes with no input; their output is dropped, their errors go to ours.
class QtCommandRunner : public QObject, public CommandRunner
{
    Q_OBJECT
public:
    explicit QtCommandRunner(QObject* parent = nullptr);
    // Commands still running are killed without answering: whoever asked may be gone by now.
    ~QtCommandRunner() override;

    void run(const QString& program, const QStringList& arguments, const QMap<QString, QString>& environment,
             int timeoutMs, Done done) override;
};
