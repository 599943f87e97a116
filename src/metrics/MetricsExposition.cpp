#include "MetricsExposition.h"

#include "ResultsModel.h"

#include <QSet>

#include <charconv>

namespace MetricsExposition {
namespace {

void appendNumber(QByteArray& out, quint64 value)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end - buffer);
}

void appendNumber(QByteArray& out, double value)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end - buffer);
}

void family(QByteArray& out, const char* name, const char* type, const char* help)
{
    out.append("# HELP ").append(name).append(' ').append(help).append('\n');
    out.append("# TYPE ").append(name).append(' ').append(type).append('\n');
}

// name{host="...",extra} value
template <typename T>
void sample(QByteArray& out, const char* name, const QByteArray& hostLabel, const char* extra, T value)
{
    out.append(name).append("{host=\"").append(hostLabel).append('"');
    if (extra)
        out.append(',').append(extra);
    out.append("} ");
    appendNumber(out, value);
    out.append('\n');
}

} // namespace

QByteArray escapeLabelValue(const QString& text)
{
    QByteArray out = text.toUtf8();
    if (out.contains('\\') || out.contains('"') || out.contains('\n')) {
        out.replace('\\', "\\\\");
        out.replace('"', "\\\"");
        out.replace('\n', "\\n");
    }
    return out;
}

QByteArray render(const ResultsModel& results, const std::vector<HostCounters>& counters, const ProbeFigures& probe,
                  const UpOf& up)
{
    // Rows to expose, with their labels made once.
    std::vector<int> rows;
    std::vector<QByteArray> labels;
    rows.reserve(static_cast<std::size_t>(results.count()));
    labels.reserve(static_cast<std::size_t>(results.count()));
    QSet<QString> seen;
    seen.reserve(results.count());
    for (int i = 0; i < results.count() && static_cast<std::size_t>(i) < counters.size(); ++i) {
        const ResultRow& r = results.row(i);
        if (!r.counted || seen.contains(r.host))
            continue;
        seen.insert(r.host);
        rows.push_back(i);
        labels.push_back(escapeLabelValue(r.host));
    }

    QByteArray out;
    out.reserve(static_cast<qsizetype>(rows.size()) * 900 + 2048);
    family(out, "vantrel_up", "gauge", "Whether the host answered its last echo (1) or not (0).");
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const int i = rows[k];
        sample(out, "vantrel_up", labels[k], nullptr, up ? up(i) : (counters[i].lastOk ? 1.0 : 0.0));
    }

    family(out, "vantrel_rtt_seconds", "histogram", "Round-trip times of the answered echoes.");
    static const char* const bucketLabels[] = {"le=\"0.001\"", "le=\"0.005\"", "le=\"0.01\"", "le=\"0.025\"",
                                               "le=\"0.05\"",  "le=\"0.1\"",   "le=\"0.2\""};
    static_assert(std::size(bucketLabels) == HostCounters::BucketBoundsMs.size());
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const ResultRow& r = results.row(rows[k]);
        const HostCounters& c = counters[rows[k]];
        quint64 cumulative = 0;
        for (std::size_t b = 0; b < c.buckets.size(); ++b) {
            cumulative += c.buckets[b];
            sample(out, "vantrel_rtt_seconds_bucket", labels[k], bucketLabels[b], cumulative);
        }
        sample(out, "vantrel_rtt_seconds_bucket", labels[k], "le=\"+Inf\"", quint64(r.rttCount));
        sample(out, "vantrel_rtt_seconds_sum", labels[k], nullptr, double(r.rttSum) / 1000.0);
        sample(out, "vantrel_rtt_seconds_count", labels[k], nullptr, quint64(r.rttCount));
    }

    family(out, "vantrel_echo_requests_total", "counter", "Echoes sent whose outcome was recorded.");
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const ResultRow& r = results.row(rows[k]);
        sample(out, "vantrel_echo_requests_total", labels[k], nullptr, quint64(r.succeeded + r.failed));
    }
    family(out, "vantrel_echo_replies_total", "counter", "Echoes answered by the host.");
    for (std::size_t k = 0; k < rows.size(); ++k)
        sample(out, "vantrel_echo_replies_total", labels[k], nullptr, quint64(results.row(rows[k]).succeeded));

    family(out, "vantrel_echo_failures_total", "counter",
           "Echoes that failed, by IP status code (11010: request timed out, 11003: destination host unreachable).");
    QByteArray statusLabel;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        for (const auto& [status, count] : counters[rows[k]].failures) {
            statusLabel = "status=\"" + QByteArray::number(status) + '"';
            sample(out, "vantrel_echo_failures_total", labels[k], statusLabel.constData(), quint64(count));
        }
    }

    family(out, "vantrel_last_reply_timestamp_seconds", "gauge", "When the host last answered, in Unix time.");
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const ResultRow& r = results.row(rows[k]);
        if (r.lastSucceedOn.isValid())
            sample(out, "vantrel_last_reply_timestamp_seconds", labels[k], nullptr,
                   double(r.lastSucceedOn.toMSecsSinceEpoch()) / 1000.0);
    }

    family(out, "vantrel_hosts", "gauge", "Entries in the host list.");
    out.append("vantrel_hosts ");
    appendNumber(out, quint64(probe.hosts));
    out.append('\n');
    family(out, "vantrel_rounds_total", "counter", "Ping rounds finished.");
    out.append("vantrel_rounds_total ");
    appendNumber(out, quint64(probe.rounds));
    out.append('\n');
    if (probe.lastRoundMs >= 0) {
        family(out, "vantrel_round_duration_seconds", "gauge", "How long the last ping round took.");
        out.append("vantrel_round_duration_seconds ");
        appendNumber(out, double(probe.lastRoundMs) / 1000.0);
        out.append('\n');
    }
    family(out, "vantrel_build_info", "gauge", "The probe's version; always 1.");
    out.append("vantrel_build_info{version=\"").append(escapeLabelValue(probe.version)).append("\"} 1\n");
    return out;
}

} // namespace MetricsExposition
