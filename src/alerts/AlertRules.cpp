#include "alerts/AlertRules.h"

#include "alerts/DependencyJudge.h"
#include "alerts/EventDetector.h"
#include "platform/Clock.h"
#include "results/HostTable.h"

AlertRules::AlertRules(HostTable& results, EventDetector& events, Clock& clock, QObject* parent)
    : QObject(parent), m_results(results), m_events(events), m_clock(clock)
{
    connect(&m_events, &EventDetector::eventsReady, this, &AlertRules::detected);
    m_events.setStatusText([this](HostTable::Slot slot, HostState state, const QString& status) {
        // What made the state says more than the last echo's status.
        if (state == HostState::Degraded && m_degraded) {
            const DegradedJudge::Figures f = m_degraded->figures(slot);
            return QStringLiteral("mean round trip %1 ms, loss %2 % over the last %3 rounds")
                .arg(f.meanRttMs, 0, 'f', 3)
                .arg(f.lossPercent, 0, 'f', 1)
                .arg(f.rounds);
        }
        if (state == HostState::Unreachable && m_dependencies) {
            const QString blocker = m_dependencies->blockedBy(slot);
            if (!blocker.isEmpty())
                return QStringLiteral("%1, behind %2").arg(status, blocker);
        }
        return status;
    });
}

AlertRules::~AlertRules() = default;

void AlertRules::setDegradedRule(const DegradedJudge::Rule& rule)
{
    m_degradedRule = rule;
    m_degraded.reset();
    if (rule.isOn())
        m_degraded = std::make_unique<DegradedJudge>(m_results, rule);
    // Degraded hosts no rule judges any more are up.
    if (!m_degraded) {
        std::vector<HostTable::Relabel> back;
        for (HostTable::Slot s = 0; s < m_results.slotCount(); ++s) {
            if (m_results.rowOf(s) >= 0 && m_results.states().state(s) == HostState::Degraded)
                back.push_back({s, HostState::Up, m_clock.now().toMSecsSinceEpoch() * 1000});
        }
        m_results.relabel(back);
    }
}

void AlertRules::setDependencies(std::optional<DependencyFile> dependencies)
{
    if (!dependencies || dependencies->isEmpty()) {
        if (m_dependencies)
            m_dependencies->setDependencies(*DependencyFile::parse(QString(), QString(), nullptr));
        return;
    }
    if (m_dependencies)
        m_dependencies->setDependencies(std::move(*dependencies));
    else
        m_dependencies = std::make_unique<DependencyJudge>(m_results, std::move(*dependencies));
}

void AlertRules::setFlapRule(const FlapDetector::Rule& rule)
{
    m_flapRule = rule;
    m_flaps = FlapDetector(rule);
}

void AlertRules::silence(const Silences::Entry& entry)
{
    m_silences.add(entry);
    Q_EMIT silencesChanged();
}

void AlertRules::unsilence(const QString& host)
{
    m_silences.remove(host);
    Q_EMIT silencesChanged();
}

bool AlertRules::isSilenced(const QString& host) const
{
    return !m_silences.isEmpty() && m_silences.isSilenced(host, m_clock.now());
}

void AlertRules::roundEnded()
{
    const QDateTime now = m_clock.now();
    m_nowMs = now.toMSecsSinceEpoch();
    if (m_degraded) {
        m_relabels.clear();
        m_degraded->roundEnded(m_nowMs * 1000, m_relabels);
        m_results.relabel(m_relabels);
    }
    if (m_dependencies)
        m_dependencies->roundEnded();
    m_events.flush(); // detected() hears of them at once
    HostEvents ended;
    for (const QString& host : m_flaps.roundAt(m_nowMs)) {
        HostEvent e;
        e.host = host;
        e.kind = HostEvent::Kind::FlappingEnded;
        e.when = now;
        e.quiet = isSilenced(host);
        ended.append(std::move(e));
    }
    if (!ended.isEmpty())
        Q_EMIT eventsReady(ended);
    if (!m_silences.isEmpty() && !m_silences.expire(now).isEmpty())
        Q_EMIT silencesChanged();
    Q_EMIT roundJudged();
}

void AlertRules::detected(const HostEvents& events)
{
    HostEvents out;
    out.reserve(events.size());
    for (HostEvent e : events) {
        const FlapDetector::Change change = m_flaps.changed(e.host, m_nowMs);
        const bool silenced = isSilenced(e.host);
        if (change == FlapDetector::Change::FlappingEnded) {
            HostEvent ended;
            ended.host = e.host;
            ended.kind = HostEvent::Kind::FlappingEnded;
            ended.when = e.when;
            ended.quiet = silenced;
            out.append(std::move(ended));
        }
        e.quiet = silenced || m_flaps.isFlapping(e.host);
        out.append(e);
        if (change == FlapDetector::Change::FlappingStarted) {
            HostEvent started;
            started.host = e.host;
            started.kind = HostEvent::Kind::FlappingStarted;
            started.state = e.state;
            started.when = e.when;
            started.quiet = silenced;
            out.append(std::move(started));
        }
    }
    Q_EMIT eventsReady(out);
}
