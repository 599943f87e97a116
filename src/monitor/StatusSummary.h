#pragma once

#include <QString>

class HostListModel;
class HostTable;

// The line under the tables: how many hosts answer, fail or have not been pinged yet, how long the last
// round took and when the next one starts.
struct StatusSummary {
    int hosts = 0;
    int answering = 0;
    int failing = 0;
    int notYetPinged = 0;
    qint64 lastRoundMs = -1; // -1: no round yet
    int msToNextRound = -1;  // -1: monitoring is off

    // Counts each host of the list by the last outcome of its current row; a host without one is not yet
    // pinged. Rows of removed hosts do not count.
    static StatusSummary count(const HostListModel& hosts, const HostTable& results);

    QString text() const;
};
