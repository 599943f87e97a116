#pragma once

#include "HostState.h"

#include <QStringList>

#include <optional>

// The command line of the headless mode:
//     vantrel --headless [--pause SECONDS] [--rounds N] [--output FILE] [--on-change CMD]
//                        [--down-after N] [--up-after M] LISTFILE...
struct HeadlessOptions {
    bool help = false;
    bool version = false;
    int intervalMs = 3000;
    std::optional<qint64> rounds; // until SIGINT or SIGTERM when absent
    QString output;               // standard output when empty
    QStringList listFiles;
    QString onChange; // run for every host going down or up
    StateThresholds thresholds;
    QString error; // a one-line message when the arguments are unusable

    // arguments excludes the program's own name.
    static HeadlessOptions parse(const QStringList& arguments);
    static bool wantsHeadless(const QStringList& arguments);
    static QString usage();
};
