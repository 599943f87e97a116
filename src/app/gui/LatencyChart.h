#pragma once

#include "history/Outcome.h"

#include <QChartView>
#include <QList>
#include <optional>

class QDateTimeAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

// Round-trip time over time: lines through the answers, broken where echoes failed, and a mark on the time
// axis for each failed echo. Pointing at either tells the outcome under the pointer.
class LatencyChart : public QChartView
{
    Q_OBJECT
public:
    explicit LatencyChart(QWidget* parent = nullptr);

    // outcomes oldest first, all within fromMs..toMs.
    void setOutcomes(QList<Outcome> outcomes, qint64 fromMs, qint64 toMs);
    const QList<Outcome>& outcomes() const { return m_outcomes; }
    // The outcome closest in time, of the kind asked for; none when there is no such outcome.
    std::optional<Outcome> nearest(qint64 timeMs, bool answered) const;

Q_SIGNALS:
    // The outcome under the pointer as text, or an empty text when the pointer left it.
    void pointedAt(const QString& text);

private:
    void hovered(const QPointF& point, bool inside, bool answered);
    QLineSeries* segment(qsizetype i);

    // Past this many runs of answers the rest share the last line, so that a flapping host costs no more.
    static constexpr qsizetype MaxSegments = 64;

    QList<Outcome> m_outcomes;
    QList<QLineSeries*> m_segments; // one per run of answers; the first carries the legend entry
    QScatterSeries* m_failures;
    QDateTimeAxis* m_timeAxis;
    QValueAxis* m_rttAxis;
};
