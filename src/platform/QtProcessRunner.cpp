#include "platform/QtProcessRunner.h"

#include "platform/AppError.h"
#include "platform/TimedProcess.h"

#include <memory>

QtProcessRunner::QtProcessRunner(QObject* parent) : QObject(parent) {}

QtProcessRunner::~QtProcessRunner()
{
    for (TimedProcess* process : findChildren<TimedProcess*>(Qt::FindDirectChildrenOnly))
        process->abandon();
}

QString QtProcessRunner::failedToStartText()
{
    return QStringLiteral("Failed to create process, check the path of the command line.");
}

void QtProcessRunner::capture(const QString& program, const QStringList& arguments, const QStringList& environment,
                              bool captureOutput, bool captureError, int timeoutMs, Done done)
{
    if (!captureOutput && !captureError)
        throw AppError(QStringLiteral("Invalid procedure call or argument"));

    auto* process = new TimedProcess(false, this);
    process->setProgram(program);
    process->setArguments(arguments);
    if (!environment.isEmpty()) {
        QProcessEnvironment settings = QProcessEnvironment::systemEnvironment();
        for (const QString& setting : environment) {
            const qsizetype equals = setting.indexOf(QLatin1Char('='));
            if (equals > 0)
                settings.insert(setting.left(equals), setting.mid(equals + 1));
        }
        process->setProcessEnvironment(settings);
    }
    process->setStandardInputFile(QProcess::nullDevice());
    if (captureOutput && captureError) {
        process->setProcessChannelMode(QProcess::MergedChannels);
    } else if (captureOutput) {
        process->setStandardErrorFile(QProcess::nullDevice());
    } else {
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setReadChannel(QProcess::StandardError);
    }

    // Bytes are gathered whole and decoded once, so a character split across two reads stays intact.
    auto bytes = std::make_shared<QByteArray>();
    connect(process, &QProcess::readyRead, process, [process, bytes] { bytes->append(process->readAll()); });
    // At the timeout, what the command wrote so far is the answer.
    process->run(timeoutMs, [bytes, done = std::move(done)](TimedProcess& p, TimedProcess::End end) {
        if (end == TimedProcess::End::FailedToStart) {
            done(failedToStartText());
            return;
        }
        bytes->append(p.readAll());
        done(QString::fromLocal8Bit(*bytes));
    });
}
