#pragma once

#include "hostlist/TargetGroup.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The probe's target file (--config), YAML close to smokeping_prober's:
//
//     targets:
//       - hosts: [10.0.0.1, gw.example.net, 10.1.0.0/24]
//         interval: 1s
//         labels: {site: fra1}
//
// Each group may set every ping option (see keys()); what a group leaves out comes from the command line.
struct TargetFile {
    QList<TargetGroup> groups;
    // Quiet periods as written ("HOST@DURATION" or "HOST@TIME") with their lines; read against the clock by
    // whoever applies them.
    QList<std::pair<QString, int>> silences;
    // Why the file is refused, "FILE:LINE: reason" ("FILE: reason" when no line applies); no groups then.
    QString error;

    // The label names of all groups, sorted. Every series of a metric must carry the same names, so a group
    // without one of them has it empty.
    QStringList labelNames() const;

    // The keys a group takes, in the order the messages list them.
    static QStringList keys();
    // Label names the program's own metrics use, which a group cannot set.
    static QStringList reservedLabels();
    // The longest pause between rounds, as for --pause.
    static constexpr qint64 MaxIntervalMs = 86400000;

    // The defaults are the command line's, already checked.
    static TargetFile load(const QString& path, const PingOptions& defaults, qint64 defaultIntervalMs,
                           IpFamily defaultFamily = IpFamily::Unspecified);
    // The same from the file's bytes; `path` only names it in messages.
    static TargetFile parse(const QByteArray& yaml, const QString& path, const PingOptions& defaults,
                            qint64 defaultIntervalMs, IpFamily defaultFamily = IpFamily::Unspecified);
};
