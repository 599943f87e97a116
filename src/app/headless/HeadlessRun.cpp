#include "HeadlessRun.h"

#include "AlignedTextWriter.h"
#include "ErrorBox.h"
#include "EventDetector.h"
#include "EventTexts.h"
#include "HookRunner.h"
#include "HostListModel.h"
#include "ListFileReader.h"
#include "MessageBoxes.h"
#include "Monitor.h"
#include "ResultsModel.h"
#include "SessionState.h"
#include "WorkbookWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

HeadlessRun::HeadlessRun(HeadlessOptions options, EchoService& echo, HostResolver& resolver, Clock& clock,
                         MessageBoxes& console, CommandRunner& commands, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_console(console), m_hosts(new HostListModel(this)),
      m_results(new ResultsModel(this)), m_state(new SessionState(this)), m_errorBox(new ErrorBox(console)),
      m_monitor(new Monitor(*m_hosts, *m_results, *m_state, *m_errorBox, console, echo, resolver, clock, this)),
      m_events(new EventDetector(*m_results, this)), m_hooks(new HookRunner(commands, this))
{
    m_results->setStateThresholds(m_options.thresholds);
    m_hooks->setCommand(m_options.onChange);
    // The round's events first, so the last round's are out before the output is written.
    connect(m_monitor, &Monitor::roundFinished, m_events, &EventDetector::flush);
    connect(m_events, &EventDetector::eventsReady, this, [this](const HostEvents& events) {
        for (const HostEvent& e : events)
            std::fprintf(stderr, "%s\n", qPrintable(EventTexts::line(e)));
        std::fflush(stderr);
        m_hooks->run(events);
    });
    connect(m_hooks, &HookRunner::failed, this, [](const QString& message) {
        std::fprintf(stderr, "vantrel: %s\n", qPrintable(message));
        std::fflush(stderr);
    });
    connect(m_monitor, &Monitor::roundFinished, this, &HeadlessRun::roundFinished);
}

HeadlessRun::~HeadlessRun()
{
    delete m_errorBox;
}

void HeadlessRun::fail(const QString& message, int exitCode)
{
    m_done = true;
    m_console.information(QString(), message);
    Q_EMIT finished(exitCode);
}

bool HeadlessRun::start()
{
    QStringList entries;
    for (const QString& path : std::as_const(m_options.listFiles)) {
        const ListFileReader::FileResult file = ListFileReader::readFile(path);
        if (file.outcome == ListFileReader::FileResult::NotFound) {
            fail(QStringLiteral("list file not found: %1").arg(path), 2);
            return false;
        }
        if (file.outcome == ListFileReader::FileResult::Failed) {
            fail(QStringLiteral("cannot read list file %1: %2").arg(path, file.error), 2);
            return false;
        }
        entries += file.entries;
    }
    if (!m_options.output.isEmpty()) {
        const QFileInfo output(m_options.output);
        if (output.isDir()) {
            fail(QStringLiteral("cannot write %1: it is a folder").arg(m_options.output), 2);
            return false;
        }
        if (!output.absoluteDir().exists()) {
            fail(QStringLiteral("cannot write %1: its folder does not exist").arg(m_options.output), 2);
            return false;
        }
    }
    if (entries.isEmpty()) {
        fail(QStringLiteral("the list files name no host"), 2);
        return false;
    }
    m_hosts->append(entries);
    // The window's own start: the first round would come one pause later, so run it now.
    if (!m_monitor->startWithInterval(m_options.intervalMs)) {
        fail(QStringLiteral("monitoring could not start"), 2);
        return false;
    }
    m_monitor->runRoundNow();
    return true;
}

void HeadlessRun::stop()
{
    if (m_done || m_stopping)
        return;
    m_stopping = true;
    if (m_monitor->isOn())
        m_monitor->stop();
    if (!m_monitor->roundRunning())
        writeOutputAndFinish();
}

void HeadlessRun::roundFinished(const RoundSummary& summary)
{
    std::fprintf(stderr, "round %d: %d hosts, %d succeeded, %d failed, %lld ms\n", summary.number, summary.hosts,
                 summary.successes, summary.failures, static_cast<long long>(summary.durationMs));
    std::fflush(stderr);
    if (m_stopping || (m_options.rounds && summary.number >= *m_options.rounds)) {
        if (m_monitor->isOn())
            m_monitor->stop();
        writeOutputAndFinish();
    }
}

void HeadlessRun::writeOutputAndFinish()
{
    if (m_done || m_written)
        return;
    m_written = true;
    const ResultsSnapshot snapshot = m_results->snapshot();
    bool ok = false;
    QString error;
    if (m_options.output.isEmpty()) {
        QFile out;
        ok = out.open(stdout, QIODevice::WriteOnly);
        AlignedTextWriter writer;
        ok = ok && writer.write(snapshot, out) && out.flush();
        error = ok ? QString() : QStringLiteral("cannot write the results to standard output");
    } else if (m_options.output.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        WorkbookWriter writer;
        ok = writer.writeFile(snapshot, m_options.output);
        error = writer.errorString();
    } else {
        AlignedTextWriter writer;
        ok = writer.writeFile(snapshot, m_options.output);
        error = writer.errorString();
    }
    if (!ok) {
        fail(QStringLiteral("cannot write %1: %2")
                 .arg(m_options.output.isEmpty() ? QStringLiteral("the results") : m_options.output, error),
             2);
        return;
    }
    finishWhenHooksDone();
}

void HeadlessRun::finishWhenHooksDone()
{
    // The commands of the last events still run; each is bounded by its own timeout.
    if (!m_hooks->isIdle()) {
        connect(m_hooks, &HookRunner::idle, this, &HeadlessRun::finishWhenHooksDone, Qt::UniqueConnection);
        return;
    }
    if (m_done)
        return;
    m_done = true;
    Q_EMIT finished(0);
}
