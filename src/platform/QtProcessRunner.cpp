#include "QtProcessRunner.h"

#include "AppError.h"

#include <QProcess>
#include <QTimer>
#include <memory>

QtProcessRunner::QtProcessRunner(QObject* parent) : QObject(parent) {}

QtProcessRunner::~QtProcessRunner()
{
    for (QProcess* process : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
        process->disconnect();
        process->kill();
        process->waitForFinished(1000);
    }
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

    auto* process = new QProcess(this);
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
    auto finish = [process, bytes, done = std::move(done), delivered = false](const QString* failure) mutable {
        if (delivered)
            return;
        delivered = true;
        if (!failure)
            bytes->append(process->readAll());
        const QString text = failure ? *failure : QString::fromLocal8Bit(*bytes);
        process->disconnect();
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            connect(process, &QProcess::finished, process, &QObject::deleteLater);
        } else {
            process->deleteLater();
        }
        done(text);
    };
    auto shared = std::make_shared<decltype(finish)>(std::move(finish));

    connect(process, &QProcess::readyRead, process, [process, bytes] { bytes->append(process->readAll()); });
    connect(process, &QProcess::finished, process, [shared] { (*shared)(nullptr); });
    connect(process, &QProcess::errorOccurred, process, [shared](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            const QString text = failedToStartText();
            (*shared)(&text);
        }
    });
    if (timeoutMs > 0) {
        auto* timer = new QTimer(process);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, process, [shared] { (*shared)(nullptr); });
        timer->start(timeoutMs);
    }
    process->start();
}
