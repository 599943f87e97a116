#include "app/headless/HeadlessRun.h"

#include "alerts/AlertRules.h"
#include "alerts/AlertmanagerClient.h"
#include "alerts/AlertmanagerFeed.h"
#include "alerts/DependencyFile.h"
#include "alerts/EventTexts.h"
#include "alerts/HookRunner.h"
#include "app/headless/HostListSync.h"
#include "app/headless/ResultsOutput.h"
#include "core/HostListModel.h"
#include "core/Version.h"
#include "export/AlignedTextWriter.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "history/HistoryTable.h"
#include "hostlist/ListFileReader.h"
#include "hostlist/TargetFile.h"
#include "metrics/ProbeMetrics.h"
#include "metrics/WebConfig.h"
#include "monitor/Monitor.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "results/ResultsModel.h"
#include "session/MonitorSession.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QSaveFile>
#include <cstdio>

namespace
{
// The results table, an empty line and the statistics table: to standard output when fileName is empty, else
// replacing the file only once all of it is written. The results table is aligned as without --stats.
bool writeWithStatistics(ResultsOutput& output, const ResultsModel& results, const ResultsSnapshot& statistics,
                         const QString& fileName, QString& error)
{
    AlignedTextWriter writer;
    const QByteArray after = "\r\n" + writer.toByteArray(statistics);
    auto write = [&](QIODevice& device) {
        return output.writeTable(results, device) && device.write(after) == after.size();
    };
    if (fileName.isEmpty()) {
        QFile out;
        const bool ok = out.open(stdout, QIODevice::WriteOnly) && write(out) && out.flush();
        error = ok ? QString() : QStringLiteral("cannot write the results to standard output");
        return ok;
    }
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && write(file) && file.commit())
        return true;
    error = file.errorString();
    return false;
}
} // namespace

namespace
{
MonitorSession::Options sessionOptions(const HeadlessOptions& options)
{
    MonitorSession::Options o;
    if (options.stats)
        o.history = HistoryLimits{};
    o.metrics = !options.metricsAddress.isEmpty();
    o.probeAllow = options.probeAllow;
    if (options.smokepingNames)
        o.metricsNames = ProbeMetrics::Names::Smokeping;
    o.version = QString::fromLatin1(VantrelVersion);
    o.plainErrors = true;
    return o;
}
} // namespace

HeadlessRun::HeadlessRun(HeadlessOptions options, EchoService& echo, HostResolver& resolver, MessageBoxes& console,
                         CommandRunner& commands, Clock& clock, RandomSource& random, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_console(console), m_clock(clock), m_random(random),
      m_session(new MonitorSession(SessionServices{echo, resolver, console, commands, clock}, sessionOptions(m_options),
                                   this)),
      m_output(new ResultsOutput(m_options.format, m_options.output))
{
    m_session->setStateThresholds(m_options.thresholds);
    HookRunner& hooks = m_session->hooks();
    hooks.setCommand(m_options.onChange);
    // The round's events first (the session flushes them as the round ends), so the last round's are out before
    // the output is written.
    connect(&m_session->alertRules(), &AlertRules::eventsReady, this, [this](const HostEvents& events) {
        HostEvents hooked;
        for (const HostEvent& e : events) {
            std::fprintf(stderr, "%s\n", qPrintable(EventTexts::line(e)));
            // Silenced and flapping hosts are logged, but the command is how people are told.
            if (!e.quiet)
                hooked.append(e);
        }
        std::fflush(stderr);
        m_session->hooks().run(hooked);
    });
    connect(&hooks, &HookRunner::failed, this, [](const QString& message) {
        std::fprintf(stderr, "vantrel: %s\n", qPrintable(message));
        std::fflush(stderr);
    });
    connect(&m_session->monitor(), &Monitor::roundFinished, this,
            [this](const RoundSummary& summary) { roundFinished(summary); });
    connect(&m_session->monitor(), &Monitor::nameMoved, this,
            [this](quint32 slot, const IpAddress& from, const IpAddress& to) {
                nameMoved(m_session->table().hostText(slot), from, to);
            });
}

HeadlessRun::~HeadlessRun()
{
    delete m_output;
}

void HeadlessRun::applyConfigSilences(const QList<Silences::Entry>& silences)
{
    AlertRules& rules = m_session->alertRules();
    for (const QString& host : std::as_const(m_configSilenced))
        rules.unsilence(host);
    m_configSilenced.clear();
    for (const Silences::Entry& entry : silences) {
        rules.silence(entry);
        m_configSilenced << entry.host;
    }
}

bool HeadlessRun::setUpAlerts()
{
    AlertRules& rules = m_session->alertRules();
    rules.setDegradedRule(m_options.degraded);
    rules.setFlapRule(m_options.flap);
    if (!m_options.dependenciesFile.isEmpty()) {
        QString error;
        std::optional<DependencyFile> file = DependencyFile::load(m_options.dependenciesFile, &error);
        if (!file) {
            fail(QStringLiteral("--dependencies: %1").arg(error), 2);
            return false;
        }
        rules.setDependencies(std::move(file));
    }
    for (const QString& text : std::as_const(m_options.silences)) {
        QString error;
        const std::optional<Silences::Entry> entry = Silences::parse(text, m_clock.now(), &error);
        if (!entry) {
            fail(QStringLiteral("--silence: %1").arg(error), 2);
            return false;
        }
        rules.silence(*entry);
    }
    if (!m_options.alertmanagers.isEmpty()) {
        AlertmanagerClient::Options options;
        options.urls = m_options.alertmanagers;
        m_alertmanager = new AlertmanagerClient(options, m_clock, m_random, this);
        new AlertmanagerFeed(rules, *m_alertmanager, this);
        auto say = [](const QString& message) {
            std::fprintf(stderr, "vantrel: %s\n", qPrintable(message));
            std::fflush(stderr);
        };
        connect(m_alertmanager, &AlertmanagerClient::failed, this, say);
        connect(m_alertmanager, &AlertmanagerClient::recovered, this, say);
    }
    return true;
}

void HeadlessRun::fail(const QString& message, int exitCode)
{
    m_done = true;
    m_console.information(QString(), message);
    Q_EMIT finished(exitCode);
}

QString HeadlessRun::readLists(QStringList& entries) const
{
    for (const QString& path : std::as_const(m_options.listFiles)) {
        const ListFileReader::FileResult file = ListFileReader::readFile(path);
        if (file.outcome == ListFileReader::FileResult::NotFound)
            return QStringLiteral("list file not found: %1").arg(path);
        if (file.outcome == ListFileReader::FileResult::Failed)
            return QStringLiteral("cannot read list file %1: %2").arg(path, file.error);
        entries += file.entries;
    }
    if (m_options.skipBlankEntries)
        entries.removeAll(QString());
    return {};
}

QString HeadlessRun::readTargets(const QStringList& listEntries, QList<TargetGroup>& groups,
                                 QList<Silences::Entry>& silences) const
{
    const TargetFile file =
        TargetFile::load(m_options.configFile, m_options.ping, m_options.intervalMs, m_options.family);
    if (!file.error.isEmpty())
        return file.error;
    silences.clear();
    for (const auto& [text, line] : file.silences) {
        QString error;
        const std::optional<Silences::Entry> entry = Silences::parse(text, m_clock.now(), &error);
        if (!entry)
            return QStringLiteral("%1:%2: %3").arg(m_options.configFile).arg(line).arg(error);
        silences.append(*entry);
    }
    groups.clear();
    if (!listEntries.isEmpty()) {
        // The list files are a group of the command line's settings, without labels.
        TargetGroup lists;
        lists.hosts = listEntries;
        lists.options = m_options.ping;
        lists.intervalMs = m_options.intervalMs;
        lists.family = m_options.family;
        groups.append(lists);
    }
    groups += file.groups;
    return {};
}

bool HeadlessRun::start()
{
    QStringList entries;
    if (const QString error = readLists(entries); !error.isEmpty()) {
        fail(error, 2);
        return false;
    }
    QList<TargetGroup> groups;
    if (!m_options.configFile.isEmpty()) {
        if (const QString error = readTargets(entries, groups, m_configSilences); !error.isEmpty()) {
            fail(error, 2);
            return false;
        }
        m_groups = new TargetGroupMonitors(*m_session, m_console, m_engines, this);
        m_groups->setRounds(m_options.rounds);
        connect(m_groups, &TargetGroupMonitors::roundFinished, this,
                [this](const RoundSummary& summary, int line) { roundFinished(summary, line); });
        connect(m_groups, &TargetGroupMonitors::nameMoved, this, &HeadlessRun::nameMoved);
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
    if (entries.isEmpty() && !m_groups) {
        fail(QStringLiteral("the list files name no host"), 2);
        return false;
    }
    if (!setUpAlerts())
        return false;
    applyConfigSilences(m_configSilences);
    if (!m_output->open()) {
        fail(QStringLiteral("cannot write %1: %2")
                 .arg(m_options.output.isEmpty() ? QStringLiteral("the results") : m_options.output,
                      m_output->errorString()),
             2);
        return false;
    }
    if (!m_options.webConfigFile.isEmpty() && !m_session->metrics()) {
        fail(QStringLiteral("--web.config.file needs --metrics-listen"), 2);
        return false;
    }
    bool tls = false;
    if (ProbeMetrics* metrics = m_session->metrics()) {
        if (!m_options.webConfigFile.isEmpty()) {
            // Never serve in the clear what the operator asked to protect: a file that cannot be used ends the run.
            QString error;
            const std::optional<WebConfig> config = WebConfig::load(m_options.webConfigFile, &error);
            if (!config) {
                fail(QStringLiteral("--web.config.file %1: %2").arg(m_options.webConfigFile, error), 2);
                return false;
            }
            metrics->setWebConfig(*config);
            tls = config->usesTls();
        }
        metrics->setSource(m_options.ping.source);
        metrics->setLifecycle({[this] { return m_roundDone; }, [this] { return reloadLists(); }});
        if (m_groups) {
            metrics->setSeriesLabels([groups = m_groups](quint32 slot) { return groups->labelsOf(slot); });
            metrics->setReceiveErrors([groups = m_groups] { return groups->receiveErrors(); });
        }
        const QHostAddress address(m_options.metricsAddress);
        const quint16 port = address.isNull() ? 0 : metrics->listen(address, m_options.metricsPort);
        if (port == 0) {
            fail(QStringLiteral("cannot serve metrics on %1 port %2")
                     .arg(m_options.metricsAddress)
                     .arg(m_options.metricsPort),
                 2);
            return false;
        }
        const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                                 ? QStringLiteral("[%1]").arg(address.toString())
                                 : address.toString();
        std::fprintf(stderr, "serving metrics at %s://%s:%u/metrics\n", tls ? "https" : "http", qPrintable(host),
                     unsigned(port));
        std::fflush(stderr);
    }
    if (m_groups) {
        if (const QString error = m_groups->apply(groups, m_options.configFile); !error.isEmpty()) {
            fail(error, 2);
            return false;
        }
        if (!m_groups->start()) {
            fail(QStringLiteral("monitoring could not start"), 2);
            return false;
        }
        return true;
    }
    m_session->hostList().append(entries);
    Monitor& monitor = m_session->monitor();
    // The window's own start: the first round would come one pause later, so run it now.
    if (!monitor.startWithInterval(m_options.intervalMs)) {
        fail(QStringLiteral("monitoring could not start"), 2);
        return false;
    }
    monitor.runRoundNow();
    return true;
}

void HeadlessRun::stop()
{
    if (m_done || m_stopping)
        return;
    m_stopping = true;
    if (m_groups) {
        m_groups->stop();
        if (!m_groups->roundRunning())
            writeOutputAndFinish();
        return;
    }
    Monitor& monitor = m_session->monitor();
    if (monitor.isOn())
        monitor.stop();
    if (!monitor.roundRunning())
        writeOutputAndFinish();
}

QString HeadlessRun::reloadLists()
{
    if (m_done || (m_groups && m_stopping))
        return QStringLiteral("the run is ending");
    if (m_groups)
        return reloadTargets();
    QStringList entries;
    QString error = readLists(entries);
    if (error.isEmpty() && entries.isEmpty())
        error = QStringLiteral("the list files name no host");
    if (!error.isEmpty()) {
        error += QStringLiteral("; the host list stays as it was");
        m_console.information(QString(), error);
        return error;
    }
    const HostListSync::Change change = HostListSync::apply(m_session->hostList(), m_session->table(), entries);
    std::fprintf(stderr, "list files read again: %d hosts kept, %d added, %d removed\n", change.kept, change.added,
                 change.removed);
    std::fflush(stderr);
    return {};
}

QString HeadlessRun::reloadTargets()
{
    QStringList entries;
    QString error = readLists(entries);
    QList<TargetGroup> groups;
    QList<Silences::Entry> silences;
    if (error.isEmpty())
        error = readTargets(entries, groups, silences);
    TargetGroupMonitors::Change change;
    if (error.isEmpty())
        error = m_groups->apply(groups, m_options.configFile, &change);
    if (!error.isEmpty()) {
        error += QStringLiteral("; the targets stay as they were");
        m_console.information(QString(), error);
        return error;
    }
    applyConfigSilences(silences);
    std::fprintf(stderr, "targets read again: %d kept, %d added, %d removed\n", change.kept, change.added,
                 change.removed);
    std::fflush(stderr);
    return {};
}

void HeadlessRun::nameMoved(const QString& host, const IpAddress& from, const IpAddress& to)
{
    std::fprintf(stderr, "%s moved %s (%s -> %s)\n", qPrintable(EventTexts::isoTime(QDateTime::currentDateTime())),
                 qPrintable(host), qPrintable(from.toString()), qPrintable(to.toString()));
    std::fflush(stderr);
}

void HeadlessRun::roundFinished(const RoundSummary& summary, int line)
{
    std::fprintf(stderr, "round %d: %d hosts, %d succeeded, %d failed, %lld ms", summary.number, summary.hosts,
                 summary.successes, summary.failures, static_cast<long long>(summary.durationMs));
    if (line > 0)
        std::fprintf(stderr, " (targets line %d)", line);
    else if (line == 0)
        std::fprintf(stderr, " (list files)");
    std::fputc('\n', stderr);
    std::fflush(stderr);
    m_roundDone = m_roundDone || !m_groups || m_groups->allRan(); // stays ready when a reload adds a group
    if (ProbeMetrics* metrics = m_session->metrics())
        metrics->roundFinished(summary.durationMs);
    Monitor& monitor = m_session->monitor();
    if (!m_output->writeRound(m_session->results(), summary.number)) {
        if (m_groups)
            m_groups->stop();
        if (monitor.isOn())
            monitor.stop();
        fail(QStringLiteral("cannot write %1: %2")
                 .arg(m_options.output.isEmpty() ? QStringLiteral("the results") : m_options.output,
                      m_output->errorString()),
             2);
        return;
    }
    if (m_groups) {
        // Each group stops after its own rounds; the output waits for the last round under way.
        if (!m_groups->anyOn() && !m_groups->roundRunning())
            writeOutputAndFinish();
        return;
    }
    if (m_stopping || (m_options.rounds && summary.number >= *m_options.rounds)) {
        if (monitor.isOn())
            monitor.stop();
        writeOutputAndFinish();
    }
}

void HeadlessRun::writeOutputAndFinish()
{
    if (m_done || m_written)
        return;
    m_written = true;
    // --stats appends its table to the aligned text; every other output goes through the chosen format.
    QString error;
    const HistoryStore* history = m_session->historyStore();
    const bool ok =
        history ? writeWithStatistics(*m_output, m_session->results(),
                                      HistoryTable::snapshot(m_session->table(), *history), m_options.output, error)
                : m_output->writeFinal(m_session->results());
    if (!ok) {
        fail(QStringLiteral("cannot write %1: %2")
                 .arg(m_options.output.isEmpty() ? QStringLiteral("the results") : m_options.output,
                      history ? error : m_output->errorString()),
             2);
        return;
    }
    finishWhenHooksDone();
}

void HeadlessRun::finishWhenHooksDone()
{
    // The commands of the last events still run; each is bounded by its own timeout.
    if (!m_session->hooks().isIdle()) {
        connect(&m_session->hooks(), &HookRunner::idle, this, &HeadlessRun::finishWhenHooksDone, Qt::UniqueConnection);
        return;
    }
    if (m_done)
        return;
    m_done = true;
    Q_EMIT finished(0);
}
