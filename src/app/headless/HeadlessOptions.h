#pragma once

#include "alerts/DegradedJudge.h"
#include "alerts/FlapDetector.h"
#include "ping/PingOptions.h"
#include "platform/IpAddress.h"
#include "results/HostState.h"

#include <QHostAddress>
#include <QStringList>
#include <QUrl>
#include <optional>

// The command line of the headless mode and of the probe:
//     vantrel --headless [OPTION]... LISTFILE...
//     vantrel-probe [OPTION]... LISTFILE...     (no --headless; with --config the list files are optional)
// One table in HeadlessOptions.cpp names every option, the programs that take it, its help line and how its
// value is read; --help is written from it.
struct HeadlessOptions {
    enum class Format { Text, Csv, JsonLines };

    bool help = false;
    bool version = false;
    int intervalMs = 3000;
    std::optional<qint64> rounds; // until SIGINT or SIGTERM when absent
    QString output;               // standard output when empty
    bool stats = false;           // a statistics table from each host's history after the results
    QStringList listFiles;
    // --ipv4 / --ipv6: names resolve to, and echoes go over, this family only.
    IpFamily family = IpFamily::Unspecified;
    Format format = Format::Text;
    bool skipBlankEntries = false; // the probe: a list file's last LF adds no empty host
    QString metricsAddress;        // no metrics endpoint when empty
    quint16 metricsPort = 0;
    bool smokepingNames = false;                // smokeping_prober's metric names instead of ours
    QList<QPair<QHostAddress, int>> probeAllow; // prefixes /probe may ping
    QString onChange;                           // run for every host going down or up
    StateThresholds thresholds;
    DegradedJudge::Rule degraded; // off unless --degraded-rtt or --degraded-loss
    QString dependenciesFile;     // which hosts sit behind which; none when empty
    FlapDetector::Rule flap;      // when a host's changes stop being notified
    QStringList silences;         // HOST@DURATION or HOST@TIME, read against the clock at start
    QList<QUrl> alertmanagers;    // where the problems are posted
    PingOptions ping;             // how echoes are sent
    QString webConfigFile;        // TLS and authentication of the metrics endpoint; none when empty
    QString configFile;           // the probe: targets and settings from this file; none when empty
    QString error;                // a one-line message when the arguments are unusable

    // arguments excludes the program's own name.
    // The probe needs no --headless.
    static HeadlessOptions parse(const QStringList& arguments, bool probe = false);
    static bool wantsHeadless(const QStringList& arguments);
    // The --help texts.
    static QString usage();
    static QString probeUsage();
    // ADDR:PORT, [IPv6]:PORT or :PORT (loopback); false when it is none of these.
    static bool parseListen(const QString& text, QString& address, quint16& port);
};
