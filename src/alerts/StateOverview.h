#pragma once

#include <QString>

class HostTable;

// How many hosts are up and down right now, for the tray icon.
struct StateOverview {
    enum class Overall { Off, AllUp, SomeDown };
    int up = 0;
    int down = 0;
    int unknown = 0;

    // Counts each listed host by its current row; older rows and rows of removed hosts do not count.
    static StateOverview of(const HostTable& results);
    Overall overall(bool monitoring) const;
    // "Vantrel: all 12 hosts up", "Vantrel: 3 of 12 hosts down", "Vantrel: monitoring off"
    QString text(bool monitoring) const;
};
