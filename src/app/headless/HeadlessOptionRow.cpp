#include "app/headless/HeadlessOptionRow.h"

#include "alerts/Silences.h"
#include "metrics/ProbeEndpoint.h"
#include "monitor/PauseText.h"

namespace
{

using Row = HeadlessOptionRow;
using Limit = PingOptions::Limit;

QString number(const QString& value, const Limit& limit, int& target)
{
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    if (!ok || !limit.contains(n))
        return limit.message();
    target = static_cast<int>(n);
    return {};
}

QString optionalNumber(const QString& value, const Limit& limit, std::optional<int>& target)
{
    int n = 0;
    QString problem = number(value, limit, n);
    if (problem.isEmpty())
        target = n;
    return problem;
}

QString rounds(const QString& option, const QString& value, int& target)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < 1 || n > 1000)
        return QStringLiteral("%1 takes a whole number of rounds from 1 to 1000").arg(option);
    target = n;
    return {};
}

QString family(HeadlessOptions& o, IpFamily family)
{
    if (o.family != IpFamily::Unspecified && o.family != family)
        return QStringLiteral("--ipv4 and --ipv6 exclude each other");
    o.family = family;
    return {};
}

// A decimal number within [low, high]; the message names the option.
QString decimal(const char* option, const QString& value, double low, double high, const char* unit,
                std::optional<double>& target)
{
    bool ok = false;
    const double n = value.toDouble(&ok);
    if (!ok || !(n >= low && n <= high))
        return QStringLiteral("--%1 takes a number from %2 to %3%4")
            .arg(QLatin1String(option))
            .arg(low)
            .arg(high)
            .arg(QLatin1String(unit));
    target = n;
    return {};
}

QString fileName(const char* option, const QString& value, QString& target)
{
    target = value;
    return value.isEmpty() ? QStringLiteral("--%1 needs a file name").arg(QLatin1String(option)) : QString();
}

const Row Rows[] = {
    {.heading = "Rounds and output",
     .name = "headless",
     .valueName = nullptr,
     .help = "run without a window; the other options need it",
     .read = [](HeadlessOptions&, const QString&) { return QString(); },
     .listed = Row::Headless},
    {.heading = nullptr,
     .name = "pause",
     .valueName = "SECONDS",
     .help = "one round every SECONDS, from 0.001 to 86400",
     .read = [](HeadlessOptions& o, const QString& value) -> QString {
         const std::optional<int> ms = PauseText::toIntervalMs(value);
         if (!ms)
             return PauseText::rangeMessage();
         o.intervalMs = *ms;
         return {};
     },
     .byDefault = "3"},
    {.heading = nullptr,
     .name = "rounds",
     .valueName = "N",
     .help = "stop after N rounds, from 1 up",
     .read = [](HeadlessOptions& o, const QString& value) -> QString {
         bool ok = false;
         const qint64 n = value.toLongLong(&ok);
         if (!ok || n < 1)
             return QStringLiteral("--rounds takes a whole number of rounds from 1 up");
         o.rounds = n;
         return {};
     },
     .byDefault = "until SIGINT or SIGTERM"},
    {.heading = nullptr,
     .name = "output",
     .valueName = "FILE",
     .help = "write the results to FILE; one ending in .xlsx gets a workbook",
     .read = [](HeadlessOptions& o, const QString& value) { return fileName("output", value, o.output); },
     .byDefault = "standard output"},
    {.heading = nullptr,
     .name = "format",
     .valueName = "F",
     .help = "text (aligned), csv (RFC 4180, with a header row) or jsonl (one JSON object per host, after every round)",
     .read = [](HeadlessOptions& o, const QString& value) -> QString {
         if (value == QLatin1String("text"))
             o.format = HeadlessOptions::Format::Text;
         else if (value == QLatin1String("csv"))
             o.format = HeadlessOptions::Format::Csv;
         else if (value == QLatin1String("jsonl"))
             o.format = HeadlessOptions::Format::JsonLines;
         else
             return QStringLiteral("--format takes text, csv or jsonl");
         return {};
     },
     .byDefault = "text"},
    {.heading = nullptr,
     .name = "stats",
     .valueName = nullptr,
     .help = "round-trip statistics and loss per host in a second table (text output only)",
     .read =
         [](HeadlessOptions& o, const QString&) {
             o.stats = true;
             return QString();
         }},
    {.heading = nullptr,
     .name = "ipv4",
     .valueName = nullptr,
     .help = "IPv4 only: names resolve to IPv4, IPv6 addresses fail with \"Bad destination\"",
     .read = [](HeadlessOptions& o, const QString&) { return family(o, IpFamily::IPv4); }},
    {.heading = nullptr,
     .name = "ipv6",
     .valueName = nullptr,
     .help = "IPv6 only: names resolve to IPv6, IPv4 addresses fail with \"Bad destination\"",
     .read = [](HeadlessOptions& o, const QString&) { return family(o, IpFamily::IPv6); }},

    {.heading = "Echoes",
     .name = "timeout",
     .valueName = "MS",
     .help = "how long to wait for each answer",
     .read = [](HeadlessOptions& o,
                const QString& value) { return number(value, PingOptions::TimeoutLimit, o.ping.timeoutMs); },
     .limit = &PingOptions::TimeoutLimit,
     .byDefault = "200"},
    {.heading = nullptr,
     .name = "count",
     .valueName = "N",
     .help = "echoes per host and round",
     .read = [](HeadlessOptions& o,
                const QString& value) { return number(value, PingOptions::CountLimit, o.ping.count); },
     .limit = &PingOptions::CountLimit,
     .byDefault = "1"},
    {.heading = nullptr,
     .name = "interval",
     .valueName = "MS",
     .help = "between the echoes of one host in a round",
     .read = [](HeadlessOptions& o,
                const QString& value) { return number(value, PingOptions::IntervalLimit, o.ping.intervalMs); },
     .limit = &PingOptions::IntervalLimit,
     .byDefault = "10"},
    {.heading = nullptr,
     .name = "size",
     .valueName = "BYTES",
     .help = "payload of each echo",
     .read = [](HeadlessOptions& o,
                const QString& value) { return optionalNumber(value, PingOptions::SizeLimit, o.ping.payloadBytes); },
     .limit = &PingOptions::SizeLimit,
     .byDefault = "the 9 bytes \"Echo This\""},
    {.heading = nullptr,
     .name = "dont-fragment",
     .valueName = nullptr,
     .help = "set the don't-fragment bit (IPv6: the sender does not fragment)",
     .read =
         [](HeadlessOptions& o, const QString&) {
             o.ping.dontFragment = true;
             return QString();
         }},
    {.heading = nullptr,
     .name = "ttl",
     .valueName = "N",
     .help = "time to live, for IPv6 the hop limit",
     .read = [](HeadlessOptions& o,
                const QString& value) { return optionalNumber(value, PingOptions::TtlLimit, o.ping.ttl); },
     .limit = &PingOptions::TtlLimit,
     .byDefault = "the system's"},
    {.heading = nullptr,
     .name = "source",
     .valueName = "ADDRESS",
     .help = "send from this address of the machine, IPv4 or IPv6",
     .read =
         [](HeadlessOptions& o, const QString& value) {
             o.ping.source = value;
             return PingOptions::sourceProblem(value);
         },
     .byDefault = "the system's choice"},
    {.heading = nullptr,
     .name = "interface",
     .valueName = "NAME",
     .help = "send through this network interface",
     .read =
         [](HeadlessOptions& o, const QString& value) {
             o.ping.interface = value;
             return PingOptions::interfaceProblem(value);
         },
     .byDefault = "any"},
    {.heading = nullptr,
     .name = "rate",
     .valueName = "PPS",
     .help = "at most PPS echoes a second over a round",
     .read = [](HeadlessOptions& o,
                const QString& value) { return optionalNumber(value, PingOptions::RateLimit, o.ping.ratePps); },
     .limit = &PingOptions::RateLimit,
     .byDefault = "no limit"},

    {.heading = "Up and down",
     .name = "down-after",
     .valueName = "N",
     .help = "a host is down after N failed rounds in a row, 1 to 1000",
     .read = [](HeadlessOptions& o,
                const QString& value) { return rounds(QStringLiteral("--down-after"), value, o.thresholds.downAfter); },
     .byDefault = "3"},
    {.heading = nullptr,
     .name = "up-after",
     .valueName = "M",
     .help = "a host is up again after M answered rounds in a row, 1 to 1000",
     .read = [](HeadlessOptions& o,
                const QString& value) { return rounds(QStringLiteral("--up-after"), value, o.thresholds.upAfter); },
     .byDefault = "1"},
    {.heading = nullptr,
     .name = "on-change",
     .valueName = "CMD",
     .help = "run CMD (no shell unless it names one) for every host going down or coming back",
     .read =
         [](HeadlessOptions& o, const QString& value) {
             o.onChange = value;
             return value.trimmed().isEmpty() ? QStringLiteral("--on-change needs a command") : QString();
         }},

    {.heading = "Alerts",
     .name = "degraded-rtt",
     .valueName = "MS",
     .help = "a host that answers is degraded while its mean round trip over the last rounds is above MS",
     .read = [](HeadlessOptions& o,
                const QString& value) { return decimal("degraded-rtt", value, 0.001, 60000, " ms", o.degraded.rttMs); },
     .byDefault = "off"},
    {.heading = nullptr,
     .name = "degraded-loss",
     .valueName = "PERCENT",
     .help = "a host that answers is degraded while it loses at least PERCENT of its echoes over the last rounds",
     .read =
         [](HeadlessOptions& o, const QString& value) {
             return decimal("degraded-loss", value, 0.1, 100, " %", o.degraded.lossPercent);
         },
     .byDefault = "off"},
    {.heading = nullptr,
     .name = "degraded-window",
     .valueName = "N",
     .help = "the rounds the two above look at, 1 to 100",
     .read = [](HeadlessOptions& o,
                const QString& value) { return rounds(QStringLiteral("--degraded-window"), value, o.degraded.rounds); },
     .byDefault = "5"},
    {.heading = nullptr,
     .name = "dependencies",
     .valueName = "FILE",
     .help = "lines \"CHILD PARENT\": a child that fails while a parent is down is unreachable, not down, and raises "
             "no alert",
     .read = [](HeadlessOptions& o,
                const QString& value) { return fileName("dependencies", value, o.dependenciesFile); }},
    {.heading = nullptr,
     .name = "flap-changes",
     .valueName = "N",
     .help = "a host changing state N times within the minutes below is flapping: logged, not notified, 2 to 1000",
     .read =
         [](HeadlessOptions& o, const QString& value) {
             bool ok = false;
             const int n = value.toInt(&ok);
             if (!ok || n < 2 || n > 1000)
                 return QStringLiteral("--flap-changes takes a whole number from 2 to 1000");
             o.flap.changes = n;
             return QString();
         },
     .byDefault = "6"},
    {.heading = nullptr,
     .name = "flap-minutes",
     .valueName = "M",
     .help = "the minutes for the above, and how long a flapping host must be stable, 1 to 1440",
     .read =
         [](HeadlessOptions& o, const QString& value) {
             bool ok = false;
             const int n = value.toInt(&ok);
             if (!ok || n < 1 || n > 1440)
                 return QStringLiteral("--flap-minutes takes a whole number from 1 to 1440");
             o.flap.windowMs = qint64(n) * 60 * 1000;
             return QString();
         },
     .byDefault = "10"},
    {.heading = nullptr,
     .name = "silence",
     .valueName = "HOST@WHEN",
     .help = "pinged and logged, but no notification or alert: HOST (or * for all) for a duration (2h, 1h30m) or "
             "until a time (2026-12-10T06:00); repeatable",
     .read =
         [](HeadlessOptions& o, const QString& value) {
             QString error;
             if (!Silences::parse(value, QDateTime::currentDateTime(), &error))
                 return QStringLiteral("--silence: %1").arg(error);
             o.silences.append(value);
             return QString();
         }},
    {.heading = nullptr,
     .name = "alertmanager",
     .valueName = "URL",
     .help = "post the hosts down or degraded to this Alertmanager (http://127.0.0.1:9093); repeatable",
     .read =
         [](HeadlessOptions& o, const QString& value) {
             const QUrl url(value, QUrl::StrictMode);
             if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
                 url.host().isEmpty())
                 return QStringLiteral("--alertmanager takes an http or https address, such as http://127.0.0.1:9093");
             o.alertmanagers.append(url);
             return QString();
         }},

    {.heading = "Metrics and configuration",
     .name = "metrics-listen",
     .valueName = "ADDRESS:PORT",
     .help = "serve Prometheus metrics at http://ADDRESS:PORT/metrics while rounds run ([::1]:PORT for IPv6, "
             ":PORT for 127.0.0.1, port 0 for a free one)",
     .read =
         [](HeadlessOptions& o, const QString& value) {
             return HeadlessOptions::parseListen(value, o.metricsAddress, o.metricsPort)
                        ? QString()
                        : QStringLiteral("--metrics-listen takes ADDRESS:PORT, for example 127.0.0.1:9427");
         }},
    {.heading = nullptr,
     .name = "web.config.file",
     .valueName = "FILE",
     .help = "TLS and basic authentication for the metrics, in the Prometheus web configuration format",
     .read = [](HeadlessOptions& o,
                const QString& value) { return fileName("web.config.file", value, o.webConfigFile); }},
    {.heading = nullptr,
     .name = "metrics-names",
     .valueName = "NAMES",
     .help = "the metric names served: vantrel (ours, the default) or smokeping (smokeping_prober's families and "
             "labels, for the dashboards and rules made for it)",
     .read =
         [](HeadlessOptions& o, const QString& value) {
             if (value != QLatin1String("vantrel") && value != QLatin1String("smokeping"))
                 return QStringLiteral("--metrics-names takes vantrel or smokeping");
             o.smokepingNames = value == QLatin1String("smokeping");
             return QString();
         }},
    {.heading = nullptr,
     .name = "probe-allow",
     .valueName = "PREFIX",
     .help = "serve /probe?target=T&module=icmp as blackbox_exporter: the hosts watched from their results, others "
             "pinged once when in this prefix (A.B.C.D/N or X::/N; repeatable); without it /probe is off",
     .read =
         [](HeadlessOptions& o, const QString& value) {
             ProbeEndpoint::Prefix prefix;
             if (!ProbeEndpoint::parsePrefix(value, prefix))
                 return QStringLiteral("--probe-allow takes a prefix such as 10.0.0.0/8 or fd00::/64");
             o.probeAllow.append(prefix);
             return QString();
         }},
    {.heading = nullptr,
     .name = "config",
     .valueName = "FILE",
     .help = "read the target groups, their settings and labels from FILE (YAML); list files are then optional",
     .read = [](HeadlessOptions& o, const QString& value) { return fileName("config", value, o.configFile); },
     .programs = Row::Probe,
     .listed = Row::Probe},

    {.heading = "Information",
     .name = "help",
     .valueName = nullptr,
     .help = "show this text",
     .read =
         [](HeadlessOptions& o, const QString&) {
             o.help = true;
             return QString();
         }},
    {.heading = nullptr,
     .name = "version",
     .valueName = nullptr,
     .help = "show the version",
     .read =
         [](HeadlessOptions& o, const QString&) {
             o.version = true;
             return QString();
         }},
};

} // namespace

QString HeadlessOptionRow::description() const
{
    auto unbroken = [](QString phrase) { return phrase.replace(QLatin1Char(' '), QChar::Nbsp); };
    QString text = QLatin1String(help);
    if (limit)
        text += QStringLiteral(", ") +
                unbroken(QStringLiteral("%1 to %2%3").arg(limit->low).arg(limit->high).arg(QLatin1String(limit->unit)));
    if (byDefault) {
        const QLatin1String value(byDefault);
        const bool number = value.front() >= '0' && value.front() <= '9';
        text += QLatin1Char(' ') +
                unbroken((number ? QStringLiteral("(default %1)") : QStringLiteral("(default: %1)")).arg(value));
    }
    return text;
}

std::span<const HeadlessOptionRow> HeadlessOptionRow::all()
{
    return Rows;
}
