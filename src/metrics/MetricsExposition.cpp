#include "metrics/MetricsExposition.h"

#include "metrics/ExpositionSink.h"
#include "metrics/HostCounterColumns.h"
#include "ping/EchoStatus.h"
#include "results/HostTable.h"

#include <QSet>
#include <algorithm>

namespace MetricsExposition
{
namespace
{

// A host's labels: its text, escaped, and its group's (written out, with their leading comma).
struct Series {
    QByteArray host;
    QByteArray group;
};

// name{host="...",group labels,extra} value
template <typename T>
void sample(ExpositionSink& out, const QByteArray& name, const Series& series, const QByteArray& extra, T value)
{
    out << name << "{host=\"" << series.host << '"' << series.group;
    if (!extra.isEmpty())
        out << ',' << extra;
    out << "} " << value << '\n';
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

std::vector<quint32> exposedSlots(const HostTable& results, const SeriesLabelsOf& seriesLabels,
                                  std::vector<QByteArray>* labelsOut)
{
    std::vector<HostTable::Slot> exposed;
    exposed.reserve(static_cast<std::size_t>(results.rowCount()));
    if (labelsOut != nullptr)
        labelsOut->clear();
    if (!seriesLabels) {
        QSet<QString> seen;
        seen.reserve(results.rowCount());
        for (int i = 0; i < results.rowCount(); ++i) {
            const HostTable::Slot slot = results.slotAt(i);
            if (!results.isCurrent(slot) || !results.counted(slot) || seen.contains(results.hostText(slot)))
                continue;
            seen.insert(results.hostText(slot));
            exposed.push_back(slot);
            if (labelsOut != nullptr)
                labelsOut->emplace_back();
        }
        return exposed;
    }
    // A series is the text with its labels: the same host in two groups is two.
    QSet<QByteArray> seen;
    seen.reserve(results.rowCount());
    for (int i = 0; i < results.rowCount(); ++i) {
        const HostTable::Slot slot = results.slotAt(i);
        if (!results.isCurrent(slot) || !results.counted(slot))
            continue;
        QByteArray labels = seriesLabels(slot);
        const QByteArray key = results.hostText(slot).toUtf8() + '\0' + labels;
        if (seen.contains(key))
            continue;
        seen.insert(key);
        exposed.push_back(slot);
        if (labelsOut != nullptr)
            labelsOut->push_back(std::move(labels));
    }
    return exposed;
}

QByteArray render(const HostTable& results, const HostCounterColumns& counters, const ProbeFigures& probe,
                  const HistoryFiguresOf& history, const SeriesLabelsOf& seriesLabels)
{
    // Slots to expose, in table order, with their labels made once.
    std::vector<QByteArray> groups;
    const std::vector<HostTable::Slot> exposed = exposedSlots(results, seriesLabels, &groups);
    std::vector<Series> labels;
    labels.reserve(exposed.size());
    for (std::size_t k = 0; k < exposed.size(); ++k)
        labels.push_back({escapeLabelValue(results.hostText(exposed[k])), std::move(groups[k])});

    ExpositionSink out;
    out.reserve(static_cast<qsizetype>(exposed.size()) * 1200 + 2048);
    const QByteArray none;
    const QByteArray upName = "vantrel_up";
    family(out, upName, "gauge",
           "Whether the host is up (1) or down (0) by its state; before its first state, by its last echo.");
    for (std::size_t k = 0; k < exposed.size(); ++k) {
        const HostState state = results.states().state(exposed[k]);
        const bool up =
            state == HostState::Unknown ? results.lastStatus(exposed[k]) == EchoStatus::Success : isAnswering(state);
        sample(out, upName, labels[k], none, quint64(up ? 1 : 0));
    }
    const QByteArray degradedName = "vantrel_degraded";
    family(out, degradedName, "gauge",
           "Whether the host answers, but too slowly or with too much loss (1) or not (0).");
    for (std::size_t k = 0; k < exposed.size(); ++k)
        sample(out, degradedName, labels[k], none,
               quint64(results.states().state(exposed[k]) == HostState::Degraded ? 1 : 0));
    const QByteArray unreachableName = "vantrel_unreachable";
    family(out, unreachableName, "gauge",
           "Whether the host fails while a host it sits behind is down (1) or not (0); vantrel_up is 0 then too.");
    for (std::size_t k = 0; k < exposed.size(); ++k)
        sample(out, unreachableName, labels[k], none,
               quint64(results.states().state(exposed[k]) == HostState::Unreachable ? 1 : 0));
    const QByteArray lastEcho = "vantrel_last_echo_success";
    family(out, lastEcho, "gauge", "Whether the host answered its last echo (1) or not (0).");
    for (std::size_t k = 0; k < exposed.size(); ++k)
        sample(out, lastEcho, labels[k], none, quint64(results.lastStatus(exposed[k]) == EchoStatus::Success ? 1 : 0));

    family(out, "vantrel_rtt_seconds", "histogram", "Round-trip times of the answered echoes.");
    const QByteArray bucket = "vantrel_rtt_seconds_bucket";
    const QByteArray sum = "vantrel_rtt_seconds_sum";
    const QByteArray count = "vantrel_rtt_seconds_count";
    static const QByteArray bucketLabels[] = {"le=\"0.0001\"", "le=\"0.00025\"", "le=\"0.0005\"", "le=\"0.001\"",
                                              "le=\"0.0025\"", "le=\"0.005\"",   "le=\"0.01\"",   "le=\"0.025\"",
                                              "le=\"0.05\"",   "le=\"0.1\"",     "le=\"0.2\"",    "le=\"0.5\"",
                                              "le=\"1\""};
    static_assert(std::size(bucketLabels) == HostCounterColumns::BucketBoundsUs.size());
    const QByteArray infinity = "le=\"+Inf\"";
    for (std::size_t k = 0; k < exposed.size(); ++k) {
        const HostTable::Slot slot = exposed[k];
        quint64 cumulative = 0;
        for (std::size_t b = 0; b < HostCounterColumns::BucketBoundsUs.size(); ++b) {
            cumulative += counters.bucket(slot, b);
            sample(out, bucket, labels[k], bucketLabels[b], cumulative);
        }
        sample(out, bucket, labels[k], infinity, results.succeeded(slot));
        sample(out, sum, labels[k], none, double(results.rttSumUs(slot)) / 1e6);
        sample(out, count, labels[k], none, results.succeeded(slot));
    }

    const QByteArray requests = "vantrel_echo_requests_total";
    family(out, requests, "counter", "Echoes sent whose outcome was recorded.");
    for (std::size_t k = 0; k < exposed.size(); ++k)
        sample(out, requests, labels[k], none, results.succeeded(exposed[k]) + results.failed(exposed[k]));
    const QByteArray replies = "vantrel_echo_replies_total";
    family(out, replies, "counter", "Echoes answered by the host.");
    for (std::size_t k = 0; k < exposed.size(); ++k)
        sample(out, replies, labels[k], none, results.succeeded(exposed[k]));

    const QByteArray failures = "vantrel_echo_failures_total";
    family(out, failures, "counter", "Echoes that failed, by reason (timeout, host_unreachable, ttl_expired, ...).");
    for (std::size_t k = 0; k < exposed.size(); ++k) {
        for (const HostCounterColumns::Failures& f : counters.failures()) {
            if (const quint64 n = f.bySlot[exposed[k]]; n > 0)
                sample(out, failures, labels[k], "reason=\"" + statusReason(f.status) + '"', n);
        }
    }

    const QByteArray late = "vantrel_late_replies_total";
    family(out, late, "counter", "Replies that came after their echo had timed out; the echo counts as failed.");
    for (std::size_t k = 0; k < exposed.size(); ++k)
        sample(out, late, labels[k], none, counters.lateReplies(exposed[k]));
    const QByteArray duplicates = "vantrel_duplicate_replies_total";
    family(out, duplicates, "counter", "Further replies to an echo already answered; never counted as answers.");
    for (std::size_t k = 0; k < exposed.size(); ++k)
        sample(out, duplicates, labels[k], none, counters.duplicateReplies(exposed[k]));

    if (history) {
        std::vector<HistoryFigures> figures;
        figures.reserve(exposed.size());
        for (const HostTable::Slot slot : exposed)
            figures.push_back(history(slot));
        const QByteArray stddev = "vantrel_rtt_stddev_seconds";
        family(out, stddev, "gauge", "Standard deviation of the round trips in the host's kept history.");
        for (std::size_t k = 0; k < exposed.size(); ++k) {
            if (figures[k].rttStddevMs)
                sample(out, stddev, labels[k], none, *figures[k].rttStddevMs / 1000.0);
        }
        const QByteArray mos = "vantrel_mos";
        family(out, mos, "gauge",
               "Mean opinion score (1 to 4.5) of the host's kept history, by the simplified E-model of check_icmp.");
        for (std::size_t k = 0; k < exposed.size(); ++k) {
            if (figures[k].mos)
                sample(out, mos, labels[k], none, *figures[k].mos);
        }
    }

    const QByteArray lastReply = "vantrel_last_reply_timestamp_seconds";
    family(out, lastReply, "gauge", "When the host last answered, in Unix time.");
    for (std::size_t k = 0; k < exposed.size(); ++k) {
        if (results.succeeded(exposed[k]) == 0 || results.lastSuccessUs(exposed[k]) < 0)
            continue;
        // Milliseconds are as precise as a scrape's own time.
        sample(out, lastReply, labels[k], none, double(results.lastSuccessUs(exposed[k]) / 1000) / 1000.0);
    }

    family(out, "vantrel_hosts", "gauge", "Entries in the host list.");
    out << "vantrel_hosts " << quint64(probe.hosts) << '\n';
    family(out, "vantrel_rounds_total", "counter", "Ping rounds finished.");
    out << "vantrel_rounds_total " << quint64(probe.rounds) << '\n';
    if (probe.lastRoundMs >= 0) {
        family(out, "vantrel_round_duration_seconds", "gauge", "How long the last ping round took.");
        out << "vantrel_round_duration_seconds " << double(probe.lastRoundMs) / 1000.0 << '\n';
    }
    family(out, "vantrel_build_info", "gauge", "The probe's version; always 1.");
    out << "vantrel_build_info{version=\"" << escapeLabelValue(probe.version) << "\"} 1\n";
    return out.take();
}

} // namespace MetricsExposition
