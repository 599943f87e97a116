#pragma once

#include "alerts/DegradedJudge.h"
#include "alerts/FlapDetector.h"
#include "alerts/HostEvent.h"
#include "alerts/Silences.h"

#include <QObject>
#include <memory>
#include <optional>

class Clock;
class DependencyFile;
class DependencyJudge;
class EventDetector;
class HostTable;

// What a round's end decides beyond up and down, and whom its events concern. Slow or lossy hosts become
// degraded, hosts behind a down one unreachable; then the round's events go out, each marked quiet when
// nobody is to be notified or alerted of it (the host is silenced or flapping), with flapping's start and end
// as events of their own. Every reader of events (lines, log, hook, notifications, Alertmanager) hears them
// from here.
class AlertRules : public QObject
{
    Q_OBJECT
public:
    AlertRules(HostTable& results, EventDetector& events, Clock& clock, QObject* parent = nullptr);
    ~AlertRules() override;

    void setDegradedRule(const DegradedJudge::Rule& rule);
    const DegradedJudge::Rule& degradedRule() const { return m_degradedRule; }
    // None: no host sits behind another.
    void setDependencies(std::optional<DependencyFile> dependencies);
    void setFlapRule(const FlapDetector::Rule& rule);
    const FlapDetector::Rule& flapRule() const { return m_flapRule; }

    Silences& silences() { return m_silences; }
    void silence(const Silences::Entry& entry);
    void unsilence(const QString& host);
    bool isSilenced(const QString& host) const;
    bool isFlapping(const QString& host) const { return m_flaps.isFlapping(host); }
    // Nobody is notified or alerted of this host now.
    bool isQuiet(const QString& host) const { return isSilenced(host) || isFlapping(host); }

    // The end of a round: judge its states, then hand on its events.
    void roundEnded();

Q_SIGNALS:
    void eventsReady(const HostEvents& events);
    // After the round's events; quiet periods may have ended with it.
    void roundJudged();
    void silencesChanged();

private:
    void detected(const HostEvents& events);

    HostTable& m_results;
    EventDetector& m_events;
    Clock& m_clock;
    DegradedJudge::Rule m_degradedRule;
    std::unique_ptr<DegradedJudge> m_degraded;
    std::unique_ptr<DependencyJudge> m_dependencies;
    FlapDetector::Rule m_flapRule;
    FlapDetector m_flaps;
    Silences m_silences;
    std::vector<HostTable::Relabel> m_relabels;
    qint64 m_nowMs = 0;
};
