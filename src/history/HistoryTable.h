#pragma once

#include "core/ResultsSnapshot.h"

class HistoryStore;
class ResultsModel;

// The statistics of every row's kept history as a table for the aligned text writer: host, min, max,
// mean, median, 95th percentile, jitter (milliseconds, one decimal) and loss, in table order.
namespace HistoryTable
{
QStringList headers();
ResultsSnapshot snapshot(const ResultsModel& results, const HistoryStore& store);
} // namespace HistoryTable
