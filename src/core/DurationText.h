#pragma once

#include <QString>
#include <optional>

// Durations as Prometheus writes them: one or more numbers with a unit each, largest unit first: "500ms",
// "10s", "1m30s", "2h", "1d", "1w". Units: ms, s, m, h, d, w. No sign, no fractions, no blanks.
namespace DurationText
{
// Milliseconds; none when the text is not such a duration or does not fit.
std::optional<qint64> toMs(const QString& text);
} // namespace DurationText
