#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Ticks every few milliseconds on the thread it lives on and keeps the longest gap between two ticks: how
// long the event loop was kept from running anything else (a window would not have painted for that long).
class StallProbe : public QObject
{
    Q_OBJECT
public:
    explicit StallProbe(int periodMs, QObject* parent = nullptr);

    // Starts a new measuring window now.
    void reset();
    // The longest gap since reset(), counting the gap still open up to now.
    double maxGapMs() const;

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_maxGapNs = 0;
};
