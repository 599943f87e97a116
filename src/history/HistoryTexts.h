#pragma once

#include "history/HistoryStatistics.h"

#include <QString>

// The history's figures as the details window and the statistics table write them.
namespace HistoryTexts
{
// "12.345": milliseconds with three decimals (a LAN answers in tens of microseconds), a dot, no unit; empty
// for no value.
QString milliseconds(std::optional<double> ms);
// "4.39": a mean opinion score with two decimals; empty for none.
QString score(std::optional<double> mos);
// "45 s", "3 min 20 s", "2 h 13 min", "3 d 4 h": the two largest units.
QString duration(qint64 ms);
// "14:02:07" in local time, with the date in front when it is not the day of referenceMs.
QString timeOfDay(qint64 ms, qint64 referenceMs);
// "answering for 2 h 13 min", "failing since 14:02:07"; "at least …" / "… or earlier" when the run reaches
// back to the oldest outcome looked at. Empty without outcomes.
QString streak(const HistoryStatistics& statistics);
// "3 failures over 9 s from 14:02:07, still failing"; "none".
QString longestOutage(const HistoryStatistics& statistics);
// "14:02:07.123  51.0 ms  TTL 63" or "14:02:09.500  Request timed out".
QString outcome(const Outcome& outcome, qint64 referenceMs);
} // namespace HistoryTexts
