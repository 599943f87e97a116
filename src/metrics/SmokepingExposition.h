#pragma once

#include "metrics/MetricsExposition.h"

#include <QByteArray>
#include <QString>

class HostCounterColumns;
class HostTable;

// The results under smokeping_prober's metric names and labels, so that dashboards and rules made for it work
// unchanged: smokeping_requests_total, the smokeping_response_duration_seconds histogram (counters made with
// HostCounterColumns::SmokepingBoundsUs), smokeping_response_ttl, smokeping_response_duplicates_total,
// smokeping_send_errors_total and smokeping_receive_errors_total. Labels host (the list entry), ip (the
// address pinged, for a name the one it was last looked up to), source and tos, then the target group's
// labels; the same hosts as MetricsExposition::render exposes.
namespace SmokepingExposition
{
QByteArray render(const HostTable& results, const HostCounterColumns& counters, const QString& source,
                  quint64 receiveErrors, const SeriesLabelsOf& seriesLabels = {});
} // namespace SmokepingExposition
