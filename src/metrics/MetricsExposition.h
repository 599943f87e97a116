#pragma once

#include "metrics/HostCounters.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

class ResultsModel;

// Figures about the probe itself, beside the per-host ones.
struct ProbeFigures {
    qint64 rounds = 0;       // rounds finished
    qint64 lastRoundMs = -1; // duration of the last round; none before the first one
    int hosts = 0;           // entries in the host list
    QString version;
};

// The results as Prometheus metrics in the text exposition format (version 0.0.4). One series per host,
// labelled with the host list entry's text; a host's series appear once its first outcome is in, and a text
// listed twice is exposed once (its first row), since Prometheus refuses duplicate series.
namespace MetricsExposition
{
// The value of vantrel_up for a results row: by default 1 when the row's last outcome was a success.
// Host states can supply their own.
using UpOf = std::function<double(int row)>;

QByteArray render(const ResultsModel& results, const std::vector<HostCounters>& counters, const ProbeFigures& probe,
                  const UpOf& up = {});
// A label value with backslash, double quote and line feed escaped.
QByteArray escapeLabelValue(const QString& text);
inline constexpr const char* ContentType = "text/plain; version=0.0.4; charset=utf-8";
} // namespace MetricsExposition
