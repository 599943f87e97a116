#include "metrics/SmokepingExposition.h"

#include "metrics/ExpositionSink.h"
#include "metrics/HostCounterColumns.h"
#include "metrics/MetricsExposition.h"
#include "results/HostTable.h"

#include <vector>

namespace SmokepingExposition
{
namespace
{

using MetricsExposition::ExpositionSink;

// The labels in the order smokeping_prober's client library writes them (sorted by name).
QByteArray labelsOf(const HostTable& results, HostTable::Slot slot, const QByteArray& source)
{
    const IpAddress& ip = results.address(slot).address;
    return "host=\"" + MetricsExposition::escapeLabelValue(results.hostText(slot)) + "\",ip=\"" +
           (ip.isNull() ? QByteArray() : ip.toString().toLatin1()) + "\",source=\"" + source + "\",tos=\"0\"";
}

template <typename T> void sample(ExpositionSink& out, const QByteArray& name, const QByteArray& labels, T value)
{
    out << name << '{' << labels << "} " << value << '\n';
}

QByteArray secondsText(quint32 us)
{
    return QByteArray::number(double(us) / 1e6, 'g', 10);
}

} // namespace

QByteArray render(const HostTable& results, const HostCounterColumns& counters, const QString& source,
                  quint64 receiveErrors, const SeriesLabelsOf& seriesLabels)
{
    std::vector<QByteArray> labels;
    const std::vector<HostTable::Slot> exposed = MetricsExposition::exposedSlots(results, seriesLabels, &labels);
    const QByteArray sourceLabel = MetricsExposition::escapeLabelValue(source);
    for (std::size_t k = 0; k < exposed.size(); ++k)
        labels[k] = labelsOf(results, exposed[k], sourceLabel) + labels[k];

    ExpositionSink out;
    out.reserve(static_cast<qsizetype>(exposed.size()) * 2400 + 1024);
    const QByteArray requests = "smokeping_requests_total";
    MetricsExposition::family(out, requests, "counter", "Number of ping requests sent");
    for (std::size_t k = 0; k < exposed.size(); ++k)
        sample(out, requests, labels[k], results.succeeded(exposed[k]) + results.failed(exposed[k]));

    const QByteArray duplicates = "smokeping_response_duplicates_total";
    MetricsExposition::family(out, duplicates, "counter", "The number of duplicated response packets.");
    for (std::size_t k = 0; k < exposed.size(); ++k)
        sample(out, duplicates, labels[k], counters.duplicateReplies(exposed[k]));

    MetricsExposition::family(out, "smokeping_response_duration_seconds", "histogram",
                              "A histogram of latencies for ping responses.");
    const QByteArray bucket = "smokeping_response_duration_seconds_bucket";
    std::vector<QByteArray> bounds;
    for (const quint32 us : counters.boundsUs())
        bounds.push_back(",le=\"" + secondsText(us) + '"');
    for (std::size_t k = 0; k < exposed.size(); ++k) {
        const HostTable::Slot slot = exposed[k];
        quint64 cumulative = 0;
        for (std::size_t b = 0; b < bounds.size(); ++b) {
            cumulative += counters.bucket(slot, b);
            out << bucket << '{' << labels[k] << bounds[b] << "} " << cumulative << '\n';
        }
        out << bucket << '{' << labels[k] << ",le=\"+Inf\"} " << results.succeeded(slot) << '\n';
        sample(out, "smokeping_response_duration_seconds_sum", labels[k], double(results.rttSumUs(slot)) / 1e6);
        sample(out, "smokeping_response_duration_seconds_count", labels[k], results.succeeded(slot));
    }

    // As smokeping_prober: a host that never answered has no TTL yet.
    const QByteArray ttl = "smokeping_response_ttl";
    MetricsExposition::family(out, ttl, "gauge", "The last response Time To Live (TTL).");
    for (std::size_t k = 0; k < exposed.size(); ++k) {
        if (results.succeeded(exposed[k]) > 0)
            sample(out, ttl, labels[k], quint64(results.lastTtl(exposed[k])));
    }

    const QByteArray sendErrors = "smokeping_send_errors_total";
    MetricsExposition::family(out, sendErrors, "counter", "The number of errors when Pinger attempts to send packets.");
    for (std::size_t k = 0; k < exposed.size(); ++k)
        sample(out, sendErrors, labels[k], counters.sendErrors(exposed[k]));

    MetricsExposition::family(out, "smokeping_receive_errors_total", "counter",
                              "The number of errors when Pinger attempts to receive packets.");
    out << "smokeping_receive_errors_total " << receiveErrors << '\n';
    return out.take();
}

} // namespace SmokepingExposition
