#pragma once

#include "app/headless/HeadlessOptions.h"

#include <QString>
#include <span>

// One option of vantrel --headless and vantrel-probe: its names, where it applies, its line of --help and how
// its value is read. HeadlessOptionRow.cpp holds the table; a new option is one more row there.
struct HeadlessOptionRow {
    enum Program : unsigned { Headless = 1, Probe = 2, Both = Headless | Probe };
    // Reads the value (empty for a switch) into the options: a one-line message naming the option when the
    // value is unusable, else empty.
    using Reader = QString (*)(HeadlessOptions& options, const QString& value);

    const char* heading;   // starts a group of --help; nullptr within one
    const char* name;      // without its leading "--"
    const char* valueName; // nullptr for a switch
    const char* help;      // what --help says, wrapped to fit
    Reader read;
    const PingOptions::Limit* limit = nullptr; // when set, --help adds its range
    const char* byDefault = nullptr;           // when set, --help adds "(default …)"
    unsigned programs = Both;                  // the programs that take it
    unsigned listed = Both;                    // the programs whose --help names it

    QString option() const { return QStringLiteral("--") + QLatin1String(name); }
    // The help text with the range and the default, each with no-break spaces so that --help keeps it on one line.
    QString description() const;

    static std::span<const HeadlessOptionRow> all();
};
