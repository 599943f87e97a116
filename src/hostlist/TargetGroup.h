#pragma once

#include "ping/PingOptions.h"
#include "platform/IpAddress.h"

#include <QList>
#include <QStringList>
#include <utility>

// One group of the probe's target file: its hosts and how and how often they are pinged.
struct TargetGroup {
    QStringList hosts;                         // as written, ranges expanded
    PingOptions options;                       // the file's keys over the command line's values
    qint64 intervalMs = 0;                     // the pause between the group's rounds
    IpFamily family = IpFamily::Unspecified;   // "network": ip, ip4 or ip6
    QList<std::pair<QString, QString>> labels; // name and value, sorted by name
    int line = 0;                              // where the group starts in the file, from 1
};
