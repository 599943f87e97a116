#include "app/headless/HeadlessOptions.h"

#include "app/headless/HeadlessOptionRow.h"

#include <QCommandLineParser>
#include <QHash>
#include <algorithm>

namespace
{

using Row = HeadlessOptionRow;

const Row* rowNamed(const QString& name)
{
    for (const Row& row : Row::all())
        if (name == QLatin1String(row.name))
            return &row;
    return nullptr;
}

// QCommandLineParser takes any argument that begins with a dash for an option. Here, as always, only "--"
// begins one: "-x" and "-" are list files or values. Such arguments go through the parser masked, as a mark
// that no argument contains followed by the argument's index.
class DashMask
{
public:
    explicit DashMask(const QStringList& arguments) : m_arguments(arguments), m_mark(QChar(0xE000)) // private use
    {
        while (std::any_of(arguments.begin(), arguments.end(), [this](const QString& a) { return a.contains(m_mark); }))
            m_mark += QChar(0xE000);
    }
    QStringList masked() const
    {
        QStringList out;
        for (qsizetype i = 0; i < m_arguments.size(); ++i) {
            const QString& a = m_arguments.at(i);
            const bool single = a.startsWith(QLatin1Char('-')) && !a.startsWith(QLatin1String("--"));
            out.append(single ? m_mark + QString::number(i) : a);
        }
        return out;
    }
    QString unmasked(const QString& text) const
    {
        return text.startsWith(m_mark) ? m_arguments.at(text.mid(m_mark.size()).toLongLong()) : text;
    }
    QStringList unmasked(const QStringList& texts) const
    {
        QStringList out;
        for (const QString& text : texts)
            out.append(unmasked(text));
        return out;
    }

private:
    const QStringList& m_arguments;
    QString m_mark;
};

// Which switch got a value ("--stats=1"): QCommandLineParser only says so in words.
QString switchWithValue(const QStringList& arguments)
{
    for (const QString& a : arguments) {
        if (a == QLatin1String("--"))
            break;
        const qsizetype equals = a.indexOf(QLatin1Char('='));
        if (a.startsWith(QLatin1String("--")) && equals > 2)
            if (const Row* row = rowNamed(a.mid(2, equals - 2)); row && !row->valueName)
                return row->option();
    }
    return {};
}

} // namespace

HeadlessOptions HeadlessOptions::parse(const QStringList& arguments, bool probe)
{
    HeadlessOptions o;
    o.skipBlankEntries = probe;
    const unsigned program = probe ? Row::Probe : Row::Headless;
    auto fail = [&o](const QString& message) {
        if (o.error.isEmpty())
            o.error = message;
    };

    QCommandLineParser parser;
    for (const Row& row : Row::all()) {
        const QString name = QLatin1String(row.name);
        parser.addOption(row.valueName ? QCommandLineOption(name, QString(), QLatin1String(row.valueName))
                                       : QCommandLineOption(name));
    }
    const DashMask mask(arguments);
    const bool parsed = parser.parse(QStringList{QStringLiteral("vantrel")} + mask.masked());
    if (!parser.unknownOptionNames().isEmpty())
        fail(QStringLiteral("unknown option --%1").arg(parser.unknownOptionNames().first()));
    if (const QString option = switchWithValue(arguments); !option.isEmpty())
        fail(QStringLiteral("%1 takes no value").arg(option));

    // In the order given, so the first problem is the one named and a later value wins.
    QHash<QString, qsizetype> taken;
    for (const QString& name : parser.optionNames()) {
        const Row& row = *rowNamed(name);
        if (!(row.programs & program)) {
            fail(QStringLiteral("%1 is an option of %2 only")
                     .arg(row.option(), row.programs & Row::Probe ? QLatin1String("vantrel-probe")
                                                                  : QLatin1String("vantrel --headless")));
            continue;
        }
        QString value;
        if (row.valueName) {
            const QStringList values = parser.values(name);
            const qsizetype index = taken[name]++;
            if (index >= values.size()) { // the last argument, without its value
                fail(QStringLiteral("%1 needs a value").arg(row.option()));
                continue;
            }
            value = mask.unmasked(values.at(index));
        }
        if (const QString problem = row.read(o, value); !problem.isEmpty())
            fail(problem);
    }
    if (!parsed)
        fail(parser.errorText()); // none of the above; not expected
    o.listFiles = mask.unmasked(parser.positionalArguments());

    if (o.help || o.version)
        return o;
    if (!probe && !parser.isSet(QStringLiteral("headless")))
        fail(QStringLiteral("these options need --headless"));
    if (o.listFiles.isEmpty() && o.configFile.isEmpty())
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

namespace
{

// The options of one program as --help lists them: grouped, the texts from column Column on (an option too
// long for it has its text on the next line), lines of at most Width characters.
QString optionList(unsigned program)
{
    constexpr qsizetype Column = 22;
    constexpr qsizetype Width = 100;
    QString text;
    const char* heading = nullptr;
    for (const Row& row : Row::all()) {
        heading = row.heading ? row.heading : heading;
        if (!(row.listed & program))
            continue;
        if (heading)
            text += QStringLiteral("\n%1:\n").arg(QLatin1String(heading));
        heading = nullptr;
        QString line = QStringLiteral("  ") + row.option();
        if (row.valueName)
            line += QLatin1Char(' ') + QLatin1String(row.valueName);
        if (line.size() + 2 > Column) {
            text += line + QLatin1Char('\n');
            line.clear();
        }
        line = line.leftJustified(Column);
        bool first = true;
        for (const QString& word : row.description().split(QLatin1Char(' '))) {
            if (!first && line.size() + 1 + word.size() > Width) {
                text += line + QLatin1Char('\n');
                line = QString(Column, QLatin1Char(' '));
                first = true;
            }
            line += (first ? QString() : QStringLiteral(" ")) + word;
            first = false;
        }
        text += line + QLatin1Char('\n');
    }
    return text.replace(QChar::Nbsp, QLatin1Char(' '));
}

} // namespace

QString HeadlessOptions::usage()
{
    return QStringLiteral(
               "Usage: vantrel [--headless [OPTION]... LISTFILE...]\n"
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
               "consecutive times) in milliseconds and the loss, over the newest 1000 outcomes of each host;\n"
               "then the standard deviation, the replies that came after their timeout (late) or twice\n"
               "(duplicates), and the mean opinion score (MOS, 1 to 4.5, see the README).\n"
               "\n"
               "A host is down after N failed rounds in a row (--down-after, default 3) and up again after\n"
               "M answered rounds in a row (--up-after, default 1). Each change is one line on standard\n"
               "error, and --on-change CMD runs CMD for it (no shell unless CMD names one) with VANTREL_HOST,\n"
               "VANTREL_STATE, VANTREL_SINCE, VANTREL_DURATION_S and VANTREL_STATUS in its environment.\n"
               "A host may also be degraded (--degraded-rtt, --degraded-loss) or unreachable behind a down\n"
               "parent (--dependencies); silenced (--silence) and flapping hosts are logged but run no command\n"
               "and raise no alert (--alertmanager).\n"
               "\n"
               "Exit status: 0 when the rounds ran, 2 for bad arguments, an unreadable list file or an\n"
               "unwritable output, 3 when the system does not permit ICMP.\n") +
           optionList(Row::Headless);
}

QString HeadlessOptions::probeUsage()
{
    return QStringLiteral(
               "Usage: vantrel-probe [OPTION]... LISTFILE...\n"
               "       vantrel-probe --config FILE [OPTION]... [LISTFILE]...\n"
               "\n"
               "Pings every host of the list files (one host per line): the first round at once, then one\n"
               "round every SECONDS (default 3), N rounds or until SIGINT or SIGTERM. Then it writes the\n"
               "results table to FILE, or to standard output: aligned text (a FILE ending in .xlsx gets a\n"
               "workbook), CSV, or with jsonl one JSON object per host after every round. After each round\n"
               "one progress line goes to standard error.\n"
               "\n"
               "With --metrics-listen it serves the results in the Prometheus text format at /metrics on\n"
               "ADDRESS:PORT (port 0 picks a free one and says which on standard error), with /-/healthy,\n"
               "/-/ready (once the first round is done) and POST /-/reload. SIGHUP or POST /-/reload reads\n"
               "the list files again: hosts that stay keep their statistics, new ones start fresh, removed\n"
               "ones leave the results and the metrics.\n"
               "\n"
               "With --config FILE the targets come from a YAML file of groups (targets: - hosts: [...]),\n"
               "each with its own interval, network (ip, ip4, ip6), labels and ping options (timeout, count,\n"
               "echo_interval, size, dont_fragment, ttl, source, interface, rate); the command line gives\n"
               "the defaults, and the hosts of list files form one more group with them. Each group runs\n"
               "its rounds at its own interval, and its labels go on its hosts' series. A reload reads the\n"
               "file again: targets that stay (same host, settings and labels) keep their counters; a bad\n"
               "file is refused with FILE:LINE: reason and the targets stay. A name whose address changes\n"
               "gives one line: TIME moved HOST (OLD -> NEW).\n"
               "\n"
               "Exit status: 0 when the rounds ran, 2 for bad arguments, an unreadable list file, a refused\n"
               "target file, an unwritable output or an address it cannot listen on, 3 when the system does\n"
               "not permit ICMP.\n") +
           optionList(Row::Probe);
}
