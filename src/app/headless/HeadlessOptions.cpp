#include "app/headless/HeadlessOptions.h"

#include "monitor/PauseText.h"

HeadlessOptions HeadlessOptions::parse(const QStringList& arguments, bool probe)
{
    HeadlessOptions o;
    o.skipBlankEntries = probe;
    bool headless = false;
    bool onlyFiles = false;
    auto fail = [&o](const QString& message) {
        if (o.error.isEmpty())
            o.error = message;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        auto takeValue = [&](const QString& name) -> std::optional<QString> {
            if (i + 1 >= arguments.size()) {
                fail(QStringLiteral("%1 needs a value").arg(name));
                return std::nullopt;
            }
            return arguments.at(++i);
        };
        if (onlyFiles || !a.startsWith(QLatin1String("--"))) {
            o.listFiles.append(a);
        } else if (a == QLatin1String("--")) {
            onlyFiles = true;
        } else if (a == QLatin1String("--headless")) {
            headless = true;
        } else if (a == QLatin1String("--help")) {
            o.help = true;
        } else if (a == QLatin1String("--version")) {
            o.version = true;
        } else if (a == QLatin1String("--pause")) {
            if (const auto value = takeValue(a)) {
                if (const auto ms = PauseText::toIntervalMs(*value))
                    o.intervalMs = *ms;
                else
                    fail(PauseText::rangeMessage());
            }
        } else if (a == QLatin1String("--rounds")) {
            if (const auto value = takeValue(a)) {
                bool ok = false;
                const qint64 n = value->toLongLong(&ok);
                if (ok && n > 0)
                    o.rounds = n;
                else
                    fail(QStringLiteral("--rounds takes a whole number of rounds from 1 up"));
            }
        } else if (a == QLatin1String("--ipv4") || a == QLatin1String("--ipv6")) {
            const IpFamily family = a == QLatin1String("--ipv4") ? IpFamily::IPv4 : IpFamily::IPv6;
            if (o.family != IpFamily::Unspecified && o.family != family)
                fail(QStringLiteral("--ipv4 and --ipv6 exclude each other"));
            o.family = family;
        } else if (a == QLatin1String("--stats")) {
            o.stats = true;
        } else if (a == QLatin1String("--output")) {
            if (const auto value = takeValue(a)) {
                if (value->isEmpty())
                    fail(QStringLiteral("--output needs a file name"));
                o.output = *value;
            }
        } else if (a == QLatin1String("--format")) {
            if (const auto value = takeValue(a)) {
                if (*value == QLatin1String("text"))
                    o.format = Format::Text;
                else if (*value == QLatin1String("csv"))
                    o.format = Format::Csv;
                else if (*value == QLatin1String("jsonl"))
                    o.format = Format::JsonLines;
                else
                    fail(QStringLiteral("--format takes text, csv or jsonl"));
            }
        } else if (a == QLatin1String("--metrics-listen")) {
            if (const auto value = takeValue(a)) {
                if (!parseListen(*value, o.metricsAddress, o.metricsPort))
                    fail(QStringLiteral("--metrics-listen takes ADDRESS:PORT, for example 127.0.0.1:9427"));
            }
        } else if (a == QLatin1String("--on-change")) {
            if (const auto value = takeValue(a)) {
                if (value->trimmed().isEmpty())
                    fail(QStringLiteral("--on-change needs a command"));
                o.onChange = *value;
            }
        } else if (a == QLatin1String("--down-after") || a == QLatin1String("--up-after")) {
            if (const auto value = takeValue(a)) {
                bool ok = false;
                const int n = value->toInt(&ok);
                if (!ok || n < 1 || n > 1000)
                    fail(QStringLiteral("%1 takes a whole number of rounds from 1 to 1000").arg(a));
                else
                    (a == QLatin1String("--down-after") ? o.thresholds.downAfter : o.thresholds.upAfter) = n;
            }
        } else {
            fail(QStringLiteral("unknown option %1").arg(a));
        }
    }
    if (o.help || o.version)
        return o;
    if (!headless && !probe)
        fail(QStringLiteral("these options need --headless"));
    if (o.listFiles.isEmpty())
        fail(QStringLiteral("name at least one list file"));
    if (o.stats && (o.format != Format::Text || o.output.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)))
        fail(QStringLiteral("--stats writes text; choose --format text and an output that does not end in .xlsx"));
    return o;
}

bool HeadlessOptions::wantsHeadless(const QStringList& arguments)
{
    for (const QString& a : arguments) {
        if (a == QLatin1String("--"))
            break;
        if (a == QLatin1String("--headless") || a == QLatin1String("--help") || a == QLatin1String("--version"))
            return true;
    }
    return false;
}

bool HeadlessOptions::parseListen(const QString& text, QString& address, quint16& port)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return false; // an IPv6 address needs its brackets
    bool ok = false;
    const uint number = text.mid(colon + 1).toUInt(&ok);
    if (!ok || number > 65535)
        return false;
    address = host.isEmpty() ? QStringLiteral("127.0.0.1") : host;
    port = static_cast<quint16>(number);
    return true;
}

QString HeadlessOptions::usage()
{
    return QStringLiteral(
        "Usage: vantrel [--headless [--pause SECONDS] [--rounds N] [--output FILE] [--format F] [--stats]\n"
        "               [--on-change CMD] [--down-after N] [--up-after M] [--ipv4|--ipv6] LISTFILE...]\n"
        "\n"
        "Without arguments Vantrel opens its window (--on-change CMD works there too).\n"
        "\n"
        "With --headless it pings every host of the list files (one host per line) without a window:\n"
        "the first round at once, then one round every SECONDS (default 3), N rounds or until\n"
        "interrupted (Ctrl+C or SIGTERM). Then it writes the results table as aligned text to FILE,\n"
        "or to standard output; a FILE ending in .xlsx gets a workbook instead. After each round one\n"
        "progress line goes to standard error.\n"
        "\n"
        "Hosts are IPv4 or IPv6 addresses or names; a name with an IPv4 address is pinged over IPv4,\n"
        "otherwise over IPv6. --ipv4 or --ipv6 uses that family only: names resolve to it, and an\n"
        "address of the other family fails with \"Bad destination\".\n"
        "\n"
        "With --stats an empty line and a second table follow the results: per host the minimum,\n"
        "maximum, mean, median and 95th percentile round-trip time, the jitter (mean difference of\n"
        "consecutive times) in milliseconds and the loss, over the newest 1000 outcomes of each host.\n"
        "\n"
        "A host is down after N failed rounds in a row (--down-after, default 3) and up again after\n"
        "M answered rounds in a row (--up-after, default 1). Each change is one line on standard\n"
        "error, and --on-change CMD runs CMD for it (no shell unless CMD names one) with VANTREL_HOST,\n"
        "VANTREL_STATE, VANTREL_SINCE, VANTREL_DURATION_S and VANTREL_STATUS in its environment.\n"
        "\n"
        "Exit status: 0 when the rounds ran, 2 for bad arguments, an unreadable list file or an\n"
        "unwritable output, 3 when the system does not permit ICMP.\n"
        "\n"
        "  --format F            text (default), csv (RFC 4180 with a header row), or jsonl (one JSON\n"
        "                        object per host, written after every round)\n"
        "  --metrics-listen A:P  serve Prometheus metrics at http://A:P/metrics while rounds run\n"
        "  --help                show this text\n"
        "  --version             show the version\n");
}

QString HeadlessOptions::probeUsage()
{
    return QStringLiteral(
        "Usage: vantrel-probe [--pause SECONDS] [--rounds N] [--output FILE] [--format text|csv|jsonl]\n"
        "                     [--metrics-listen ADDRESS:PORT] LISTFILE...\n"
        "\n"
        "Pings every host of the list files (one host per line): the first round at once, then one\n"
        "round every SECONDS (default 3), N rounds or until SIGINT or SIGTERM. Then it writes the\n"
        "results table to FILE, or to standard output: aligned text (a FILE ending in .xlsx gets a\n"
        "workbook), CSV, or with jsonl one JSON object per host after every round. After each round\n"
        "one progress line goes to standard error.\n"
        "\n"
        "With --metrics-listen it serves the results in the Prometheus text format at /metrics on\n"
        "ADDRESS:PORT (port 0 picks a free one and says which on standard error). SIGHUP reads the\n"
        "list files again: hosts that stay keep their statistics, new ones start fresh, removed ones\n"
        "leave the results and the metrics.\n"
        "\n"
        "Exit status: 0 when the rounds ran, 2 for bad arguments, an unreadable list file, an\n"
        "unwritable output or an address it cannot listen on, 3 when the system does not permit ICMP.\n"
        "\n"
        "  --help      show this text\n"
        "  --version   show the version\n");
}
