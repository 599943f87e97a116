#include "app/headless/HeadlessOptions.h"

#include "app/headless/HeadlessOptionRow.h"
#include "monitor/PauseText.h"

#include <QtTest>
#include <functional>

using Change = std::function<void(HeadlessOptions&)>;
Q_DECLARE_METATYPE(Change)

namespace
{
// Every field, so that a comparison also catches an option that sets more than it should.
QString describe(const HeadlessOptions& o)
{
    auto optional = [](const auto& value) { return value ? QString::number(*value) : QStringLiteral("none"); };
    const PingOptions& p = o.ping;
    return QStringList{
        QStringLiteral("help=%1 version=%2").arg(o.help).arg(o.version),
        QStringLiteral("intervalMs=%1 rounds=%2").arg(o.intervalMs).arg(optional(o.rounds)),
        QStringLiteral("output=%1 format=%2 stats=%3").arg(o.output).arg(int(o.format)).arg(o.stats),
        QStringLiteral("listFiles=%1 skipBlank=%2").arg(o.listFiles.join(u'|')).arg(o.skipBlankEntries),
        QStringLiteral("family=%1").arg(int(o.family)),
        QStringLiteral("metrics=%1 port %2").arg(o.metricsAddress).arg(o.metricsPort),
        QStringLiteral("onChange=%1 down=%2 up=%3")
            .arg(o.onChange)
            .arg(o.thresholds.downAfter)
            .arg(o.thresholds.upAfter),
        QStringLiteral("timeout=%1 count=%2 interval=%3 size=%4 df=%5 ttl=%6 source=%7 interface=%8 rate=%9")
            .arg(p.timeoutMs)
            .arg(p.count)
            .arg(p.intervalMs)
            .arg(optional(p.payloadBytes))
            .arg(p.dontFragment)
            .arg(optional(p.ttl))
            .arg(p.source, p.interface, optional(p.ratePps)),
        QStringLiteral("webConfig=%1 config=%2").arg(o.webConfigFile, o.configFile),
        QStringLiteral("error=%1").arg(o.error),
    }
        .join(u'\n');
}

QStringList command(bool probe, const QStringList& options)
{
    return (probe ? QStringList{} : QStringList{"--headless"}) + options + QStringList{"l"};
}
} // namespace

class HeadlessOptionsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaultsAsBefore()
    {
        for (const bool probe : {false, true}) {
            const HeadlessOptions o = HeadlessOptions::parse(command(probe, {}), probe);
            QVERIFY2(o.error.isEmpty(), qPrintable(o.error));
            QCOMPARE(o.intervalMs, 3000);
            QVERIFY(!o.rounds);
            QCOMPARE(o.format, HeadlessOptions::Format::Text);
            QCOMPARE(o.output, QString());
            QCOMPARE(o.family, IpFamily::Unspecified);
            QCOMPARE(o.metricsAddress, QString());
            QCOMPARE(o.thresholds.downAfter, 3);
            QCOMPARE(o.thresholds.upAfter, 1);
            QCOMPARE(o.skipBlankEntries, probe);
            QCOMPARE(o.ping.timeoutMs, 200);
            QCOMPARE(o.ping.count, 1);
            QCOMPARE(o.ping.intervalMs, 10);
            QVERIFY(!o.ping.payloadBytes && !o.ping.ttl && !o.ping.ratePps && !o.ping.dontFragment);
            QVERIFY(o.ping.source.isEmpty() && o.ping.interface.isEmpty());
            QVERIFY(o.webConfigFile.isEmpty() && o.configFile.isEmpty());
        }
    }

    // Each option as "--name value" and as "--name=value", in the program or programs that take it; nothing
    // else than its own field changes.
    void eachOptionInBothSpellings_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("probe");
        QTest::addColumn<Change>("change");
        struct Case {
            const char* option;
            const char* value; // nullptr: a switch
            Change change;
            int programs = HeadlessOptionRow::Both;
        };
        using O = HeadlessOptions;
        const Case cases[] = {
            {"pause", "2.5", [](O& o) { o.intervalMs = 2500; }},
            {"pause", "0.001", [](O& o) { o.intervalMs = 1; }},
            {"rounds", "4", [](O& o) { o.rounds = 4; }},
            {"output", "out.txt", [](O& o) { o.output = QStringLiteral("out.txt"); }},
            {"format", "csv", [](O& o) { o.format = O::Format::Csv; }},
            {"format", "jsonl", [](O& o) { o.format = O::Format::JsonLines; }},
            {"format", "text", [](O&) {}},
            {"stats", nullptr, [](O& o) { o.stats = true; }},
            {"ipv4", nullptr, [](O& o) { o.family = IpFamily::IPv4; }},
            {"ipv6", nullptr, [](O& o) { o.family = IpFamily::IPv6; }},
            {"timeout", "10", [](O& o) { o.ping.timeoutMs = 10; }},
            {"timeout", "60000", [](O& o) { o.ping.timeoutMs = 60000; }},
            {"count", "100", [](O& o) { o.ping.count = 100; }},
            {"interval", "1", [](O& o) { o.ping.intervalMs = 1; }},
            {"interval", "60000", [](O& o) { o.ping.intervalMs = 60000; }},
            {"size", "0", [](O& o) { o.ping.payloadBytes = 0; }},
            {"size", "65507", [](O& o) { o.ping.payloadBytes = 65507; }},
            {"dont-fragment", nullptr, [](O& o) { o.ping.dontFragment = true; }},
            {"ttl", "1", [](O& o) { o.ping.ttl = 1; }},
            {"ttl", "255", [](O& o) { o.ping.ttl = 255; }},
            {"source", "192.0.2.1", [](O& o) { o.ping.source = QStringLiteral("192.0.2.1"); }},
            {"source", "2001:db8::1", [](O& o) { o.ping.source = QStringLiteral("2001:db8::1"); }},
            // Only the form counts here; the engine says whether the machine has that interface.
            {"source", "fe80::1%nosuch9", [](O& o) { o.ping.source = QStringLiteral("fe80::1%nosuch9"); }},
            {"interface", "enp0s31f6", [](O& o) { o.ping.interface = QStringLiteral("enp0s31f6"); }},
            {"rate", "1", [](O& o) { o.ping.ratePps = 1; }},
            {"rate", "1000000", [](O& o) { o.ping.ratePps = 1000000; }},
            {"down-after", "1000", [](O& o) { o.thresholds.downAfter = 1000; }},
            {"up-after", "2", [](O& o) { o.thresholds.upAfter = 2; }},
            {"on-change", "hook --x", [](O& o) { o.onChange = QStringLiteral("hook --x"); }},
            {"metrics-listen", "[::1]:9427",
             [](O& o) {
                 o.metricsAddress = QStringLiteral("::1");
                 o.metricsPort = 9427;
             }},
            {"metrics-listen", ":0", [](O& o) { o.metricsAddress = QStringLiteral("127.0.0.1"); }},
            {"web.config.file", "web.yml", [](O& o) { o.webConfigFile = QStringLiteral("web.yml"); }},
            {"config", "targets.yml", [](O& o) { o.configFile = QStringLiteral("targets.yml"); },
             HeadlessOptionRow::Probe},
            {"help", nullptr, [](O& o) { o.help = true; }},
            {"version", nullptr, [](O& o) { o.version = true; }},
        };
        for (const Case& c : cases) {
            for (const bool probe : {false, true}) {
                if (!(c.programs & (probe ? HeadlessOptionRow::Probe : HeadlessOptionRow::Headless)))
                    continue;
                const QString option = QStringLiteral("--") + QLatin1String(c.option);
                const char* program = probe ? "probe" : "headless";
                if (!c.value) {
                    QTest::addRow("%s %s", program, c.option) << command(probe, {option}) << probe << c.change;
                    continue;
                }
                const QString value = QLatin1String(c.value);
                QTest::addRow("%s %s %s", program, c.option, c.value)
                    << command(probe, {option, value}) << probe << c.change;
                QTest::addRow("%s %s=%s", program, c.option, c.value)
                    << command(probe, {option + u'=' + value}) << probe << c.change;
            }
        }
    }
    void eachOptionInBothSpellings()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, probe);
        QFETCH(Change, change);
        HeadlessOptions expected;
        expected.skipBlankEntries = probe;
        expected.listFiles = QStringList{"l"};
        change(expected);
        QCOMPARE(describe(HeadlessOptions::parse(arguments, probe)), describe(expected));
    }

    void badArgumentsNameTheOption_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("probe");
        QTest::addColumn<QString>("message");
        const QString timeout = QStringLiteral("--timeout must be between 10 and 60000 ms");
        const QString count = QStringLiteral("--count must be between 1 and 100");
        const QString interval = QStringLiteral("--interval must be between 1 and 60000 ms");
        const QString size = QStringLiteral("--size must be between 0 and 65507 bytes");
        const QString ttl = QStringLiteral("--ttl must be between 1 and 255");
        const QString rate = QStringLiteral("--rate must be between 1 and 1000000 echoes per second");
        const QString source =
            QStringLiteral("--source takes an IPv4 or IPv6 address, such as 192.0.2.1 or 2001:db8::1");
        const QString interface =
            QStringLiteral("--interface takes an interface name of 1 to 15 characters without spaces, / or :");
        const QString rounds = QStringLiteral("--rounds takes a whole number of rounds from 1 up");
        struct Case {
            const char* name;
            QStringList options;
            QString message;
        };
        const Case cases[] = {
            {"timeout too short", {"--timeout", "9"}, timeout},
            {"timeout too long", {"--timeout=60001"}, timeout},
            {"timeout not a number", {"--timeout", "0.5s"}, timeout},
            {"timeout empty", {"--timeout="}, timeout},
            {"no echo", {"--count", "0"}, count},
            {"too many echoes", {"--count=101"}, count},
            {"no interval", {"--interval", "0"}, interval},
            {"interval too long", {"--interval", "60001"}, interval},
            {"negative size", {"--size", "-1"}, size},
            {"size beyond IPv4", {"--size=65508"}, size},
            {"size beyond int", {"--size", "4294967296"}, size},
            {"ttl zero", {"--ttl", "0"}, ttl},
            {"ttl too big", {"--ttl", "256"}, ttl},
            {"rate zero", {"--rate", "0"}, rate},
            {"rate too high", {"--rate=1000001"}, rate},
            {"source a name", {"--source", "host.example"}, source},
            {"source out of range", {"--source", "192.0.2.256"}, source},
            {"source empty", {"--source="}, source},
            {"source IPv4 with a zone", {"--source", "192.0.2.1%lo"}, source},
            {"interface empty", {"--interface", ""}, interface},
            {"interface with a space", {"--interface", "eth 0"}, interface},
            {"interface with an alias", {"--interface=eth0:1"}, interface},
            {"interface of 16 characters", {"--interface", "abcdefghijklmnop"}, interface},
            {"zero pause", {"--pause", "0"}, PauseText::rangeMessage()},
            {"pause over a day", {"--pause=86401"}, PauseText::rangeMessage()},
            {"zero rounds", {"--rounds", "0"}, rounds},
            {"letters for rounds", {"--rounds", "x"}, rounds},
            {"unknown format", {"--format", "xml"}, QStringLiteral("--format takes text, csv or jsonl")},
            {"listen without port",
             {"--metrics-listen", "127.0.0.1"},
             QStringLiteral("--metrics-listen takes ADDRESS:PORT, for example 127.0.0.1:9427")},
            {"blank hook", {"--on-change", "  "}, QStringLiteral("--on-change needs a command")},
            {"down after none",
             {"--down-after", "0"},
             QStringLiteral("--down-after takes a whole number of rounds from 1 to 1000")},
            {"up after too many",
             {"--up-after=1001"},
             QStringLiteral("--up-after takes a whole number of rounds from 1 to 1000")},
            {"empty output", {"--output="}, QStringLiteral("--output needs a file name")},
            {"empty web config", {"--web.config.file", ""}, QStringLiteral("--web.config.file needs a file name")},
            {"unknown option", {"--fast"}, QStringLiteral("unknown option --fast")},
            {"unknown option with value", {"--fast=3"}, QStringLiteral("unknown option --fast")},
            {"switch with a value", {"--dont-fragment=1"}, QStringLiteral("--dont-fragment takes no value")},
            {"both families", {"--ipv4", "--ipv6"}, QStringLiteral("--ipv4 and --ipv6 exclude each other")},
            {"statistics as CSV",
             {"--stats", "--format", "csv"},
             QStringLiteral("--stats writes text; choose --format text and an output that does not end in .xlsx")},
            {"the first problem is named", {"--timeout", "5", "--count", "0"}, timeout},
        };
        for (const Case& c : cases)
            for (const bool probe : {false, true})
                QTest::addRow("%s %s", probe ? "probe" : "headless", c.name)
                    << command(probe, c.options) << probe << c.message;
        for (const bool probe : {false, true}) {
            const char* program = probe ? "probe" : "headless";
            const QStringList bare = probe ? QStringList{} : QStringList{"--headless"};
            QTest::addRow("%s missing value", program)
                << bare + QStringList{"l", "--timeout"} << probe << QStringLiteral("--timeout needs a value");
            QTest::addRow("%s no list file", program) << bare << probe << QStringLiteral("name at least one list file");
        }
        QTest::newRow("headless --config") << command(false, {"--config", "t.yml"}) << false
                                           << QStringLiteral("--config is an option of vantrel-probe only");
        QTest::newRow("options without --headless")
            << QStringList{"--rounds", "3", "l"} << false << QStringLiteral("these options need --headless");
        QTest::newRow("--headless as a value")
            << QStringList{"--output", "--headless", "l"} << false << QStringLiteral("these options need --headless");
    }
    void badArgumentsNameTheOption()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, probe);
        QFETCH(QString, message);
        QCOMPARE(HeadlessOptions::parse(arguments, probe).error, message);
    }

    void programsDiffer()
    {
        // The probe needs no --headless, takes it all the same, and with --config needs no list file.
        QVERIFY(HeadlessOptions::parse({"l"}, true).error.isEmpty());
        QVERIFY(HeadlessOptions::parse({"--headless", "l"}, true).error.isEmpty());
        const HeadlessOptions configured = HeadlessOptions::parse({"--config", "targets.yml"}, true);
        QVERIFY2(configured.error.isEmpty(), qPrintable(configured.error));
        QVERIFY(configured.listFiles.isEmpty());
        // --help and --version win over anything else on the line.
        QVERIFY(HeadlessOptions::parse({"--fast", "--help"}).help);
        QVERIFY(HeadlessOptions::parse({"--version", "--pause", "0"}, true).version);
    }

    void dashArgumentsStayListFilesAndValues()
    {
        const QChar mark(0xE000);
        const HeadlessOptions o = HeadlessOptions::parse(
            {"--headless", "-x", "-", "--output", "-o.txt", "--timeout", "300", "--timeout=400", QString(mark) + u'1',
             QStringLiteral("--on-change=") + mark + u'1', "--", "--b.txt", "-y", "--timeout"});
        QVERIFY2(o.error.isEmpty(), qPrintable(o.error));
        QCOMPARE(o.listFiles, (QStringList{"-x", "-", QString(mark) + u'1', "--b.txt", "-y", "--timeout"}));
        QCOMPARE(o.output, QStringLiteral("-o.txt"));
        QCOMPARE(o.onChange, QString(mark) + u'1'); // no argument is taken for a masked one
        QCOMPARE(o.ping.timeoutMs, 400);            // the later one
    }

    // --help is written from the table: each program lists what it takes, under the group headings, in lines
    // that fit a terminal.
    void helpListsEveryOption()
    {
        for (const bool probe : {false, true}) {
            const QString help = probe ? HeadlessOptions::probeUsage() : HeadlessOptions::usage();
            const unsigned program = probe ? HeadlessOptionRow::Probe : HeadlessOptionRow::Headless;
            QVERIFY(
                help.startsWith(probe ? QStringLiteral("Usage: vantrel-probe ") : QStringLiteral("Usage: vantrel ")));
            for (const HeadlessOptionRow& row : HeadlessOptionRow::all()) {
                const QString entry = QStringLiteral("\n  ") + row.option() +
                                      (row.valueName ? QStringLiteral(" ") + QLatin1String(row.valueName) : QString());
                QCOMPARE(help.contains(entry), bool(row.listed & program));
            }
            for (const char* heading : {"Rounds and output:", "Echoes:", "Up and down:", "Information:"})
                QVERIFY2(help.contains(QStringLiteral("\n\n%1\n").arg(QLatin1String(heading))), heading);
            QVERIFY(help.contains(QStringLiteral("10 to 60000 ms (default 200)")));
            for (const QString& line : help.split(u'\n'))
                QVERIFY2(line.size() <= 100 && !line.contains(QChar::Nbsp), qPrintable(line));
        }
    }
};

QTEST_GUILESS_MAIN(HeadlessOptionsTest)
#include "HeadlessOptionsTest.moc"
