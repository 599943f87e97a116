#include "metrics/ProbeEndpoint.h"

#include "ping/EchoService.h"
#include "platform/HostResolver.h"
#include "results/HostTable.h"

#include <QTimer>
#include <algorithm>

namespace
{
// Tags of a generation no results row ever reaches, so that a late reply to a probe's echo, which the engine
// hands to the results' stray sink, names no row.
constexpr quint64 TagBase = 0xFFFFFFFF00000000ull;
} // namespace

ProbeEndpoint::ProbeEndpoint(const HostTable& results, EchoService& echo, HostResolver& resolver, QList<Prefix> allowed,
                             QObject* parent)
    : QObject(parent), m_results(results), m_echo(echo), m_resolver(resolver), m_allowed(std::move(allowed))
{
}

ProbeEndpoint::~ProbeEndpoint()
{
    m_echo.detach(*this);
}

bool ProbeEndpoint::parsePrefix(const QString& text, Prefix& prefix)
{
    if (!text.contains(QLatin1Char('/')))
        return false;
    prefix = QHostAddress::parseSubnet(text);
    return !prefix.first.isNull() && prefix.second >= 0;
}

void ProbeEndpoint::handle(const QString& target, const QString& module, double scrapeTimeoutS, Reply reply)
{
    if (!module.isEmpty() && module != QLatin1String("icmp")) {
        reply({400, "Unknown module \"" + module.toUtf8() + "\"\n"});
        return;
    }
    if (target.isEmpty()) {
        reply({400, "Target parameter is missing\n"});
        return;
    }
    if (fromResults(target, reply))
        return;
    if (m_probes.size() >= MaxAtOnce) {
        reply({503, "too many probes at once\n"});
        return;
    }
    const quint64 id = m_nextId++;
    Probe& probe = m_probes[id];
    probe.reply = std::move(reply);
    probe.started.start();
    // Answer before Prometheus gives up on the scrape, whatever the echo does.
    probe.deadline = new QTimer(this);
    probe.deadline->setSingleShot(true);
    connect(probe.deadline, &QTimer::timeout, this, [this, id] { finish(id); });
    probe.deadline->start(static_cast<int>(std::clamp(scrapeTimeoutS - 0.5, 0.1, 120.0) * 1000));
    if (!QHostAddress(target).isNull()) {
        ping(id, target);
        return;
    }
    m_resolver.resolve(target, this, [this, id](const QString& address) {
        const auto it = m_probes.find(id);
        if (it == m_probes.end())
            return;
        it->second.lookupS = double(it->second.started.nsecsElapsed()) / 1e9;
        if (address.isEmpty()) {
            finish(id);
            return;
        }
        ping(id, address);
    });
}

bool ProbeEndpoint::fromResults(const QString& target, const Reply& reply) const
{
    for (int row = m_results.rowCount() - 1; row >= 0; --row) {
        const HostTable::Slot slot = m_results.slotAt(row);
        if (!m_results.isCurrent(slot) || !m_results.counted(slot) || m_results.hostText(slot) != target)
            continue;
        const bool success = m_results.lastStatus(slot) == EchoStatus::Success;
        const IpAddress& address = m_results.address(slot).address;
        reply({200, body(success, 0, 0, address.isIpv4() || address.isNull() ? 4 : 6,
                         success ? m_results.lastRttUs(slot) / 1e6 : 0, success ? m_results.lastTtl(slot) : 0)});
        return true;
    }
    return false;
}

void ProbeEndpoint::ping(quint64 id, const QString& address)
{
    Probe& probe = m_probes.at(id);
    const QHostAddress host(address);
    probe.protocol = host.protocol() == QAbstractSocket::IPv6Protocol ? 6 : 4;
    const bool allowed = std::any_of(m_allowed.cbegin(), m_allowed.cend(),
                                     [&](const Prefix& prefix) { return host.isInSubnet(prefix); });
    if (!allowed) {
        const Reply reply = std::move(probe.reply);
        probe.deadline->deleteLater();
        m_probes.erase(id);
        reply({403, "target " + address.toUtf8() + " is outside the prefixes of --probe-allow\n"});
        return;
    }
    const EchoRequest request = EchoRequest::forText(TagBase | id, address);
    probe.outstanding = m_echo.echoesPerRequest();
    m_echo.send(std::span(&request, 1), *this);
}

void ProbeEndpoint::echoesDone(std::span<const EchoOutcome> outcomes)
{
    for (const EchoOutcome& o : outcomes) {
        const auto it = m_probes.find(o.tag & ~TagBase);
        if (it == m_probes.end())
            continue; // answered at its deadline already
        Probe& probe = it->second;
        if (o.answered() && !probe.answered) {
            probe.answered = true;
            probe.rttUs = o.rttUs;
            probe.hopLimit = o.ttl;
        }
        if (--probe.outstanding <= 0)
            finish(o.tag & ~TagBase);
    }
}

void ProbeEndpoint::finish(quint64 id)
{
    const auto it = m_probes.find(id);
    if (it == m_probes.end())
        return;
    Probe probe = std::move(it->second);
    m_probes.erase(it);
    probe.deadline->deleteLater();
    probe.reply({200, body(probe.answered, double(probe.started.nsecsElapsed()) / 1e9, probe.lookupS, probe.protocol,
                           probe.rttUs / 1e6, probe.hopLimit)});
}

QByteArray ProbeEndpoint::body(bool success, double durationS, double lookupS, int protocol, double rttS, int hopLimit)
{
    auto n = [](double v) { return QByteArray::number(v, 'g', 9); };
    QByteArray out;
    out += "# HELP probe_dns_lookup_time_seconds Returns the time taken for probe dns lookup in seconds\n"
           "# TYPE probe_dns_lookup_time_seconds gauge\n"
           "probe_dns_lookup_time_seconds " +
           n(lookupS) + "\n";
    out += "# HELP probe_duration_seconds Returns how long the probe took to complete in seconds\n"
           "# TYPE probe_duration_seconds gauge\n"
           "probe_duration_seconds " +
           n(durationS) + "\n";
    out += "# HELP probe_icmp_duration_seconds Duration of icmp request by phase\n"
           "# TYPE probe_icmp_duration_seconds gauge\n"
           "probe_icmp_duration_seconds{phase=\"resolve\"} " +
           n(lookupS) + "\nprobe_icmp_duration_seconds{phase=\"rtt\"} " + n(rttS) + "\n";
    if (success)
        out += "# HELP probe_icmp_reply_hop_limit Replied packet hop limit (TTL for ipv4)\n"
               "# TYPE probe_icmp_reply_hop_limit gauge\n"
               "probe_icmp_reply_hop_limit " +
               QByteArray::number(hopLimit) + "\n";
    out += "# HELP probe_ip_protocol Specifies whether probe ip protocol is IP4 or IP6\n"
           "# TYPE probe_ip_protocol gauge\n"
           "probe_ip_protocol " +
           QByteArray::number(protocol) + "\n";
    out += "# HELP probe_success Displays whether or not the probe was a success\n"
           "# TYPE probe_success gauge\n"
           "probe_success " +
           QByteArray(success ? "1" : "0") + "\n";
    return out;
}
