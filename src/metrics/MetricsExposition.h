#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class HostCounterColumns;
class HostTable;

// Figures about the probe itself, beside the per-host ones.
struct ProbeFigures {
    qint64 rounds = 0;       // rounds finished
    qint64 lastRoundMs = -1; // duration of the last round; none before the first one
    int hosts = 0;           // entries in the host list
    QString version;
};

// What a host's kept history says, when the probe keeps one: milliseconds and the mean opinion score.
struct HistoryFigures {
    std::optional<double> rttStddevMs;
    std::optional<double> mos;
};
using HistoryFiguresOf = std::function<HistoryFigures(quint32 slot)>;
// The labels a host's series carry after host, written out with a leading comma (`,role="core",site=""`), or
// empty: those of its target group. Every host has the same names, so every series of a metric does.
using SeriesLabelsOf = std::function<QByteArray(quint32 slot)>;

// The results as Prometheus metrics in the text exposition format (version 0.0.4). One series per host of the
// list, from its current row, labelled with the host list entry's text; a host's series appear once its first
// outcome is in, and a text listed twice is exposed once (its first row), since Prometheus refuses duplicate
// series. With target groups, a host's series also carry its group's labels, and the same text in two groups
// is two series. vantrel_up follows the host's state, as the event lines do; before its first state, its last
// echo.
namespace MetricsExposition
{
// With history, two gauges more per host: the round trips' standard deviation and the mean opinion score.
QByteArray render(const HostTable& results, const HostCounterColumns& counters, const ProbeFigures& probe,
                  const HistoryFiguresOf& history = {}, const SeriesLabelsOf& seriesLabels = {});
// The slots whose series are exposed, in table order: the current row of each host once counted, the first
// of a text listed twice (with the same labels); with seriesLabels, each slot's labels go to labelsOut.
std::vector<quint32> exposedSlots(const HostTable& results, const SeriesLabelsOf& seriesLabels = {},
                                  std::vector<QByteArray>* labelsOut = nullptr);
// A label value with backslash, double quote and line feed escaped.
QByteArray escapeLabelValue(const QString& text);
inline constexpr const char* ContentType = "text/plain; version=0.0.4; charset=utf-8";
} // namespace MetricsExposition
