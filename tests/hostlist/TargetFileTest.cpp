#include "hostlist/TargetFile.h"

#include <QTemporaryDir>
#include <QtTest>

namespace
{
// What the command line gives for keys a group leaves out.
PingOptions commandLine()
{
    PingOptions o;
    o.timeoutMs = 300;
    o.count = 2;
    return o;
}
constexpr qint64 CommandLinePauseMs = 5000;
} // namespace

class TargetFileTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_files = 0;
    QString write(const QByteArray& bytes)
    {
        QFile f(m_dir.filePath(QStringLiteral("targets-%1.yml").arg(++m_files)));
        if (!f.open(QIODevice::WriteOnly))
            return {};
        f.write(bytes);
        return f.fileName();
    }
    TargetFile load(const QByteArray& bytes, QString* path = nullptr)
    {
        const QString written = write(bytes);
        if (path != nullptr)
            *path = written;
        return TargetFile::load(written, commandLine(), CommandLinePauseMs, IpFamily::IPv4);
    }

private Q_SLOTS:
    void goodFile()
    {
        const TargetFile file = load("# the probe's targets\n"
                                     "targets:\n"
                                     "  - hosts: [10.0.0.1, gw.example.net, 10.1.0.0/30, fd00::/127]\n"
                                     "    interval: 1m30s\n"
                                     "    count: 3\n"
                                     "    timeout: 500ms\n"
                                     "    echo_interval: 20ms\n"
                                     "    size: \"56\"\n"
                                     "    dont_fragment: yes\n"
                                     "    ttl: 64\n"
                                     "    source: 10.0.0.254\n"
                                     "    interface: eth1\n"
                                     "    rate: 100\n"
                                     "    network: ip\n"
                                     "    protocol: icmp\n"
                                     "    labels: {site: fra1, role: core, rack: 7}\n"
                                     "\n"
                                     "  - host: a-b.example.com\n"
                                     "    labels:\n"
                                     "      zone: \"\"\n"
                                     "  - hosts:\n"
                                     "      - 10.2.0.1-3\n"
                                     "    network: ip6\n"
                                     "silences: [\"a-b.example.com@2h\", \"*@30m\"]\n");
        QCOMPARE(file.error, QString());
        QCOMPARE(file.groups.size(), 3);

        const TargetGroup& full = file.groups.at(0);
        QCOMPARE(full.hosts, (QStringList{"10.0.0.1", "gw.example.net", "10.1.0.1", "10.1.0.2", "fd00::", "fd00::1"}));
        QCOMPARE(full.line, 3);
        QCOMPARE(full.intervalMs, 90000);
        QCOMPARE(full.family, IpFamily::Unspecified);
        PingOptions o;
        o.count = 3;
        o.timeoutMs = 500;
        o.intervalMs = 20;
        o.payloadBytes = 56;
        o.dontFragment = true;
        o.ttl = 64;
        o.source = QStringLiteral("10.0.0.254");
        o.interface = QStringLiteral("eth1");
        o.ratePps = 100;
        QCOMPARE(full.options, o);
        const QList<std::pair<QString, QString>> labels{{"rack", "7"}, {"role", "core"}, {"site", "fra1"}};
        QCOMPARE(full.labels, labels);

        // What a group leaves out is the command line's.
        const TargetGroup& plain = file.groups.at(1);
        QCOMPARE(plain.hosts, QStringList{"a-b.example.com"});
        QCOMPARE(plain.line, 18);
        QCOMPARE(plain.options, commandLine());
        QCOMPARE(plain.intervalMs, CommandLinePauseMs);
        QCOMPARE(plain.family, IpFamily::IPv4);
        QCOMPARE(plain.labels, (QList<std::pair<QString, QString>>{{"zone", ""}}));

        QCOMPARE(file.groups.at(2).hosts, (QStringList{"10.2.0.1", "10.2.0.2", "10.2.0.3"}));
        QCOMPARE(file.groups.at(2).family, IpFamily::IPv6);
        QVERIFY(file.groups.at(2).labels.isEmpty());

        QCOMPARE(file.labelNames(), (QStringList{"rack", "role", "site", "zone"}));
        const QList<std::pair<QString, int>> silences{{"a-b.example.com@2h", 24}, {"*@30m", 24}};
        QCOMPARE(file.silences, silences);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("yaml");
        QTest::addColumn<QString>("error"); // after "FILE:"; a trailing * matches any rest

        const QByteArray group = "targets:\n  - hosts: [10.0.0.1]\n";
        QTest::newRow("bad YAML") << QByteArray("targets:\n  - hosts: [10.0.0.1\n    count: 2\n")
                                  << "3: end of sequence flow not found";
        QTest::newRow("empty file") << QByteArray() << " the file has no targets";
        QTest::newRow("not a map") << QByteArray("- 10.0.0.1\n") << "1: the file must be a map with targets*";
        QTest::newRow("unknown key at the top") << QByteArray("target:\n  - hosts: [a]\n")
                                                << "1: unknown key \"target\"; the file takes targets and silences";
        QTest::newRow("silences not a list")
            << QByteArray("targets:\n  - hosts: [a]\nsilences: a@2h\n") << "3: silences must be a list*";
        QTest::newRow("targets not a list")
            << QByteArray("targets: a\n") << "1: targets must be a list of target groups";
        QTest::newRow("targets empty") << QByteArray("targets: []\n") << "1: targets is empty";
        QTest::newRow("group not a map") << QByteArray("targets:\n  - a\n") << "2: each target group must be a map*";
        QTest::newRow("unknown key")
            << group + "    tos: 5\n"
            << "3: unknown key \"tos\"; a target group takes hosts, host, interval, network, protocol, labels, "
               "timeout, count, echo_interval, size, dont_fragment, ttl, source, interface, rate";
        QTest::newRow("key twice") << group + "    count: 1\n    count: 2\n"
                                   << "4: count is given twice";
        QTest::newRow("no hosts") << QByteArray("targets:\n  - count: 2\n") << "2: the target group has no hosts";
        QTest::newRow("empty hosts") << QByteArray("targets:\n  - hosts: []\n") << "2: hosts is empty";
        QTest::newRow("hosts not a list") << QByteArray("targets:\n  - hosts: a\n") << "2: hosts must be a list*";
        QTest::newRow("host that is a list") << QByteArray("targets:\n  - hosts:\n    - a\n    - [b]\n")
                                             << "4: each host must be a host name, an address or a range";
        QTest::newRow("empty host") << QByteArray("targets:\n  - hosts: [a, \"\"]\n") << "2: a host is empty";
        QTest::newRow("range over the limit")
            << QByteArray("targets:\n  - hosts:\n    - 10.0.0.1\n    - 10.0.0.0/8\n")
            << "4: 10.0.0.0/8 has 16,777,214 addresses; at most 65,536 can come from one range";
        QTest::newRow("reversed range") << QByteArray("targets:\n  - host: 10.0.0.9-1\n")
                                        << "2: 10.0.0.9-1: the range ends before it starts";
        QTest::newRow("count in words") << group + "    count: many\n"
                                        << "3: count must be a whole number";
        QTest::newRow("count with a fraction") << group + "    count: 1.5\n"
                                               << "3: count must be a whole number";
        QTest::newRow("count as a list") << group + "    count: [1]\n"
                                         << "3: count must be a whole number";
        QTest::newRow("count out of range") << group + "    count: 101\n"
                                            << "3: count must be between 1 and 100";
        QTest::newRow("count past any int") << group + "    count: 99999999999999999999\n"
                                            << "3: count must be between 1 and 100";
        QTest::newRow("timeout without a unit") << group + "    timeout: 500\n"
                                                << "3: timeout must be a duration such as 500ms, 1s or 1m30s";
        QTest::newRow("timeout out of range") << group + "    timeout: 5ms\n"
                                              << "3: timeout must be between 10 and 60000 ms";
        QTest::newRow("echo_interval out of range") << group + "    echo_interval: 2m\n"
                                                    << "3: echo_interval must be between 1 and 60000 ms";
        QTest::newRow("interval of 0s") << group + "    interval: 0s\n"
                                        << "3: interval must be between 1ms and 1d";
        QTest::newRow("interval over a day") << group + "    interval: 1d1ms\n"
                                             << "3: interval must be between 1ms and 1d";
        QTest::newRow("size out of range") << group + "    size: 70000\n"
                                           << "3: size must be between 0 and 65507 bytes";
        QTest::newRow("negative size") << group + "    size: -1\n"
                                       << "3: size must be between 0 and 65507 bytes";
        QTest::newRow("ttl of 0") << group + "    ttl: 0\n"
                                  << "3: ttl must be between 1 and 255";
        QTest::newRow("rate of 0") << group + "    rate: 0\n"
                                   << "3: rate must be between 1 and 1000000 echoes per second";
        QTest::newRow("dont_fragment maybe") << group + "    dont_fragment: maybe\n"
                                             << "3: dont_fragment must be true or false";
        QTest::newRow("network ip5") << group + "    network: ip5\n"
                                     << "3: network must be ip, ip4 or ip6";
        QTest::newRow("protocol udp") << group + "    protocol: udp\n"
                                      << "3: protocol udp is not supported: the probe pings with ICMP echoes only";
        QTest::newRow("protocol tcp") << group + "    protocol: tcp\n"
                                      << "3: protocol must be icmp";
        QTest::newRow("source as a list") << group + "    source: [a]\n"
                                          << "3: source must be an address";
        QTest::newRow("labels as a list") << group + "    labels: [a]\n"
                                          << "3: labels must be a map*";
        QTest::newRow("label starting with a digit") << group + "    labels: {1site: x}\n"
                                                     << "3: \"1site\" is no Prometheus label name*";
        QTest::newRow("label with a dash") << group + "    labels: {site-name: x}\n"
                                           << "3: \"site-name\" is no Prometheus label name*";
        QTest::newRow("label starting with __") << group + "    labels: {__x: y}\n"
                                                << "3: \"__x\" is no Prometheus label name*";
        QTest::newRow("the program's own label")
            << group + "    labels:\n      site: a\n      instance: b\n"
            << "5: instance is one of the probe's own labels (host, instance, ip, job, le, reason, source, state, "
               "status, tos, version)";
        QTest::newRow("a label of smokeping_prober's names") << group + "    labels: {ip: x}\n"
                                                             << "3: ip is one of the probe's own labels*";
        QTest::newRow("label without a value") << group + "    labels: {site: }\n"
                                               << "3: the label site must be a text (\"\" for none)";
        QTest::newRow("label twice") << group + "    labels: {site: a, site: b}\n"
                                     << "3: the label site is given twice";
        QTest::newRow("second group names its line") << group + "  - hosts: [b]\n    labels: {job: x}\n"
                                                     << "4: job is one of the probe's own labels*";
    }
    void refused()
    {
        QFETCH(QByteArray, yaml);
        QFETCH(QString, error);
        QString path;
        const TargetFile file = load(yaml, &path);
        QVERIFY(file.groups.isEmpty());
        const QString expected = path + QLatin1Char(':') + error;
        if (expected.endsWith(QLatin1Char('*')))
            QVERIFY2(file.error.startsWith(expected.chopped(1)), qPrintable(file.error));
        else
            QCOMPARE(file.error, expected);
    }

    void missingFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("none.yml"));
        const TargetFile file = TargetFile::load(path, commandLine(), CommandLinePauseMs);
        QCOMPARE(file.error, path + QStringLiteral(": no such file"));
        QVERIFY(file.groups.isEmpty());
        QVERIFY(!TargetFile::load(m_dir.path(), commandLine(), CommandLinePauseMs).error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TargetFileTest)
#include "TargetFileTest.moc"
