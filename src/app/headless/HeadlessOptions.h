#pragma once

#include <QStringList>

#include <optional>

// The command line of the headless mode:
//     vantrel --headless [--pause SECONDS] [--rounds N] [--output FILE] [--stats] LISTFILE...
struct HeadlessOptions {
    bool help = false;
    bool version = false;
    int intervalMs = 3000;
    std::optional<qint64> rounds; // until SIGINT or SIGTERM when absent
    QString output;               // standard output when empty
    bool stats = false;           // a statistics table from each host's history after the results
    QStringList listFiles;
    QString error; // a one-line message when the arguments are unusable

    // arguments excludes the program's own name.
    static HeadlessOptions parse(const QStringList& arguments);
    static bool wantsHeadless(const QStringList& arguments);
    static QString usage();
};
