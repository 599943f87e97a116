#pragma once

#include "IpAddress.h"

#include <QStringList>

#include <optional>

// The command line of the headless mode:
//     vantrel --headless [--pause SECONDS] [--rounds N] [--output FILE] [--ipv4|--ipv6] LISTFILE...
struct HeadlessOptions {
    bool help = false;
    bool version = false;
    int intervalMs = 3000;
    std::optional<qint64> rounds; // until SIGINT or SIGTERM when absent
    QString output;               // standard output when empty
    QStringList listFiles;
    // --ipv4 / --ipv6: names resolve to, and echoes go over, this family only.
    IpFamily family = IpFamily::Unspecified;
    QString error; // a one-line message when the arguments are unusable

    // arguments excludes the program's own name.
    static HeadlessOptions parse(const QStringList& arguments);
    static bool wantsHeadless(const QStringList& arguments);
    static QString usage();
};
