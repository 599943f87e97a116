#include "alerts/FlapDetector.h"

#include <algorithm>

FlapDetector::FlapDetector() : FlapDetector(Rule()) {}

FlapDetector::FlapDetector(Rule rule) : m_rule(rule)
{
    m_rule.changes = std::clamp(m_rule.changes, 2, 1000);
    m_rule.windowMs = std::max<qint64>(m_rule.windowMs, 1);
}

FlapDetector::Change FlapDetector::changed(const QString& host, qint64 atMs)
{
    Track& track = m_tracks[host];
    Change result = Change::Steady;
    // Stable for the window before this change: it ends the flapping and is itself told as usual. Starting
    // again needs changes less than a window apart, so a change cannot both end and start flapping.
    if (track.flapping && atMs - track.last >= m_rule.windowMs) {
        track.flapping = false;
        result = Change::FlappingEnded;
    }
    const auto size = static_cast<std::size_t>(m_rule.changes);
    qint64 oldest = 0;
    if (track.times.size() < size) {
        if (track.times.empty())
            track.times.reserve(size);
        track.times.push_back(atMs);
        oldest = track.times.front();
    } else {
        track.times[track.next] = atMs;
        track.next = static_cast<quint32>((track.next + 1) % size);
        oldest = track.times[track.next];
    }
    track.last = atMs;
    if (!track.flapping && track.times.size() == size && atMs - oldest < m_rule.windowMs) {
        track.flapping = true;
        result = Change::FlappingStarted;
    }
    return result;
}

QStringList FlapDetector::roundAt(qint64 nowMs)
{
    QStringList ended;
    for (auto it = m_tracks.begin(); it != m_tracks.end();) {
        if (nowMs - it->last < m_rule.windowMs) {
            ++it;
            continue;
        }
        // Every change kept is older than the window now: none can count towards flapping again.
        if (it->flapping)
            ended << it.key();
        it = m_tracks.erase(it);
    }
    ended.sort();
    return ended;
}

bool FlapDetector::isFlapping(const QString& host) const
{
    const auto it = m_tracks.constFind(host);
    return it != m_tracks.cend() && it->flapping;
}
