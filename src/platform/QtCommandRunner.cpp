#include "QtCommandRunner.h"

#include <QProcess>
#include <QTimer>
#include <csignal>
#include <memory>
#include <unistd.h>

QtCommandRunner::QtCommandRunner(QObject* parent) : QObject(parent) {}

QtCommandRunner::~QtCommandRunner()
{
    for (QProcess* process : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
        process->disconnect();
        if (process->processId() > 0)
            ::kill(-static_cast<pid_t>(process->processId()), SIGKILL);
        process->kill();
        process->waitForFinished(1000);
    }
}

void QtCommandRunner::run(const QString& program, const QStringList& arguments,
                          const QMap<QString, QString>& environment, int timeoutMs, Done done)
{
    auto* process = new QProcess(this);
    process->setProgram(program);
    process->setArguments(arguments);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        env.insert(it.key(), it.value());
    process->setProcessEnvironment(env);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A group of its own, so a timeout also ends what the command started (a shell's children).
    process->setChildProcessModifier([] { ::setpgid(0, 0); });

    auto finish = [process, done = std::move(done), delivered = false](const QString& failure) mutable {
        if (delivered)
            return;
        delivered = true;
        process->disconnect();
        if (process->state() != QProcess::NotRunning) {
            if (process->processId() > 0)
                ::kill(-static_cast<pid_t>(process->processId()), SIGKILL);
            process->kill();
            connect(process, &QProcess::finished, process, &QObject::deleteLater);
        } else {
            process->deleteLater();
        }
        done(failure);
    };
    auto shared = std::make_shared<decltype(finish)>(std::move(finish));

    connect(process, &QProcess::finished, process, [shared, process](int code, QProcess::ExitStatus status) {
        if (status == QProcess::CrashExit)
            (*shared)(QStringLiteral("%1 ended by a signal").arg(process->program()));
        else if (code != 0)
            (*shared)(QStringLiteral("%1 exited with status %2").arg(process->program()).arg(code));
        else
            (*shared)(QString());
    });
    connect(process, &QProcess::errorOccurred, process, [shared, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            (*shared)(QStringLiteral("%1 could not start: %2").arg(process->program(), process->errorString()));
    });
    if (timeoutMs > 0) {
        auto* timer = new QTimer(process);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, process, [shared, process, timeoutMs] {
            (*shared)(QStringLiteral("%1 killed after %2 s").arg(process->program()).arg(timeoutMs / 1000.0));
        });
        timer->start(timeoutMs);
    }
    process->start();
}
