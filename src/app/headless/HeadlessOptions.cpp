#include "HeadlessOptions.h"

#include "PauseText.h"

HeadlessOptions HeadlessOptions::parse(const QStringList& arguments)
{
    HeadlessOptions o;
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
        } else if (a == QLatin1String("--output")) {
            if (const auto value = takeValue(a)) {
                if (value->isEmpty())
                    fail(QStringLiteral("--output needs a file name"));
                o.output = *value;
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
    if (!headless)
        fail(QStringLiteral("these options need --headless"));
    if (o.listFiles.isEmpty())
        fail(QStringLiteral("name at least one list file"));
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

QString HeadlessOptions::usage()
{
    return QStringLiteral(
        "Usage: vantrel [--headless [--pause SECONDS] [--rounds N] [--output FILE] [--on-change CMD]\n"
        "               [--down-after N] [--up-after M] LISTFILE...]\n"
        "\n"
        "Without arguments Vantrel opens its window (--on-change CMD works there too).\n"
        "\n"
        "With --headless it pings every host of the list files (one host per line) without a window:\n"
        "the first round at once, then one round every SECONDS (default 3), N rounds or until\n"
        "interrupted (Ctrl+C or SIGTERM). Then it writes the results table as aligned text to FILE,\n"
        "or to standard output; a FILE ending in .xlsx gets a workbook instead. After each round one\n"
        "progress line goes to standard error.\n"
        "\n"
        "A host is down after N failed rounds in a row (--down-after, default 3) and up again after\n"
        "M answered rounds in a row (--up-after, default 1). Each change is one line on standard\n"
        "error, and --on-change CMD runs CMD for it (no shell unless CMD names one) with VANTREL_HOST,\n"
        "VANTREL_STATE, VANTREL_SINCE, VANTREL_DURATION_S and VANTREL_STATUS in its environment.\n"
        "\n"
        "Exit status: 0 when the rounds ran, 2 for bad arguments, an unreadable list file or an\n"
        "unwritable output, 3 when the system does not permit ICMP.\n"
        "\n"
        "  --help      show this text\n"
        "  --version   show the version\n");
}
