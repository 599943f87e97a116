#pragma once

#include "results/ResultsSnapshot.h"

class HistoryStore;
class HostTable;

// The statistics of every row's kept history as a table for the aligned text writer: host, min, max,
// mean, median, 95th percentile, jitter (milliseconds, three decimals) and loss, in table order; then the
// standard deviation, the late and duplicate replies and the mean opinion score.
namespace HistoryTable
{
QStringList headers();
ResultsSnapshot snapshot(const HostTable& results, const HistoryStore& store);
} // namespace HistoryTable
