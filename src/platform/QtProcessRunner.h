#pragma once

#include "platform/ProcessRunner.h"

#include <QObject>

// Runs the command as a child process with no window and no input. Asking for both streams joins them
// in one pipe, so their texts arrive in the order the child wrote them.
class QtProcessRunner : public QObject, public ProcessRunner
{
    Q_OBJECT
public:
    explicit QtProcessRunner(QObject* parent = nullptr);
    // Commands still running are ended without answering: whoever asked may be gone by now.
    ~QtProcessRunner() override;

    static QString failedToStartText();

    void capture(const QString& program, const QStringList& arguments, const QStringList& environment,
                 bool captureOutput, bool captureError, int timeoutMs, Done done) override;
};
