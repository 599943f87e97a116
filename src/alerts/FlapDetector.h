#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

// Tells a host that keeps changing state from one that went down once. A host that changes state `changes`
// times within `windowMs` flaps: its changes are still logged, but nobody is notified or alerted of them until
// it has been stable (no change) for `windowMs`. Only hosts that changed within the window are kept, each with
// its last `changes` change times; a host that never changes costs nothing.
class FlapDetector
{
public:
    struct Rule {
        int changes = 6; // at least 2
        qint64 windowMs = 10 * 60 * 1000;
    };
    enum class Change : quint8 {
        Steady,          // nothing new about flapping
        FlappingStarted, // this change makes the host flap
        FlappingEnded,   // the host had flapped but was stable for the window before this change
    };

    FlapDetector(); // the default rule
    explicit FlapDetector(Rule rule);

    // The host changed state at atMs (ms since the epoch, not decreasing for a host). Afterwards isFlapping()
    // says whether this change is to be kept from notifications and alerts.
    Change changed(const QString& host, qint64 atMs);
    // Each round: the hosts whose flapping has ended by nowMs, as stable for the window. Also forgets hosts
    // whose changes are too old to count.
    QStringList roundAt(qint64 nowMs);
    bool isFlapping(const QString& host) const;
    // The host left the list.
    void forget(const QString& host) { m_tracks.remove(host); }
    qsizetype trackedHosts() const { return m_tracks.size(); }

private:
    struct Track {
        std::vector<qint64> times; // a ring of the last changes, once full
        qint64 last = 0;
        quint32 next = 0; // where the next change goes once the ring is full; then also the oldest
        bool flapping = false;
    };
    Rule m_rule;
    QHash<QString, Track> m_tracks;
};
