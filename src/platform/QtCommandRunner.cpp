#include "platform/QtCommandRunner.h"

#include "platform/TimedProcess.h"

QtCommandRunner::QtCommandRunner(QObject* parent) : QObject(parent) {}

QtCommandRunner::~QtCommandRunner()
{
    for (TimedProcess* process : findChildren<TimedProcess*>(Qt::FindDirectChildrenOnly))
        process->abandon();
}

void QtCommandRunner::run(const QString& program, const QStringList& arguments,
                          const QMap<QString, QString>& environment, int timeoutMs, Done done)
{
    // A group of its own, so a timeout also ends what the command started (a shell's children).
    auto* process = new TimedProcess(true, this);
    process->setProgram(program);
    process->setArguments(arguments);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        env.insert(it.key(), it.value());
    process->setProcessEnvironment(env);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->run(timeoutMs, [done = std::move(done), timeoutMs](TimedProcess& p, TimedProcess::End end) {
        switch (end) {
        case TimedProcess::End::Finished:
            if (p.exitStatus() == QProcess::CrashExit)
                done(QStringLiteral("%1 ended by a signal").arg(p.program()));
            else if (p.exitCode() != 0)
                done(QStringLiteral("%1 exited with status %2").arg(p.program()).arg(p.exitCode()));
            else
                done(QString());
            return;
        case TimedProcess::End::FailedToStart:
            done(QStringLiteral("%1 could not start: %2").arg(p.program(), p.errorString()));
            return;
        case TimedProcess::End::TimedOut:
            done(QStringLiteral("%1 killed after %2 s").arg(p.program()).arg(timeoutMs / 1000.0));
            return;
        }
    });
}
