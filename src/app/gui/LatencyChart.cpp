#include "app/gui/LatencyChart.h"

#include "history/HistoryTexts.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace
{
// Points on the line stay visible while they are few enough to tell apart.
constexpr qsizetype MaxVisiblePoints = 300;
} // namespace

LatencyChart::LatencyChart(QWidget* parent)
    : QChartView(parent), m_failures(new QScatterSeries), m_timeAxis(new QDateTimeAxis), m_rttAxis(new QValueAxis)
{
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation); // redrawn on every outcome
    chart->legend()->setAlignment(Qt::AlignBottom);
    m_failures->setName(QStringLiteral("Failed echo"));
    m_failures->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    m_failures->setMarkerSize(7);
    m_failures->setColor(QColor(0xd0, 0x20, 0x20));
    m_failures->setBorderColor(QColor(0xd0, 0x20, 0x20));
    chart->addSeries(m_failures);
    m_timeAxis->setFormat(QStringLiteral("HH:mm:ss"));
    m_timeAxis->setTickCount(6);
    m_rttAxis->setLabelFormat(QStringLiteral("%.0f"));
    m_rttAxis->setTitleText(QStringLiteral("ms"));
    chart->addAxis(m_timeAxis, Qt::AlignBottom);
    chart->addAxis(m_rttAxis, Qt::AlignLeft);
    m_failures->attachAxis(m_timeAxis);
    m_failures->attachAxis(m_rttAxis);
    connect(m_failures, &QScatterSeries::hovered, this,
            [this](const QPointF& p, bool inside) { hovered(p, inside, false); });
    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
    segment(0)->setName(QStringLiteral("Round-trip time (ms)"));
}

QLineSeries* LatencyChart::segment(qsizetype i)
{
    while (m_segments.size() <= i) {
        auto* line = new QLineSeries;
        chart()->addSeries(line);
        line->attachAxis(m_timeAxis);
        line->attachAxis(m_rttAxis);
        line->setColor(QColor(0x20, 0x6f, 0xc0));
        if (!m_segments.isEmpty()) {
            for (QLegendMarker* marker : chart()->legend()->markers(line))
                marker->setVisible(false);
        }
        connect(line, &QLineSeries::hovered, this, [this](const QPointF& p, bool inside) { hovered(p, inside, true); });
        m_segments.append(line);
    }
    return m_segments.at(i);
}

void LatencyChart::setOutcomes(QList<Outcome> outcomes, qint64 fromMs, qint64 toMs)
{
    m_outcomes = std::move(outcomes);
    QList<QList<QPointF>> runs(1);
    QList<QPointF> failures;
    quint32 highest = 0;
    for (const Outcome& o : std::as_const(m_outcomes)) {
        if (o.answered()) {
            runs.last().append(QPointF(double(o.timeMs), o.rttMs()));
            highest = std::max(highest, o.rttUs);
        } else {
            failures.append(QPointF(double(o.timeMs), 0.0));
            if (!runs.last().isEmpty() && runs.size() < MaxSegments)
                runs.append(QList<QPointF>());
        }
    }
    const bool showPoints = m_outcomes.size() - failures.size() <= MaxVisiblePoints;
    for (qsizetype i = 0; i < std::max(runs.size(), m_segments.size()); ++i) {
        QLineSeries* line = segment(i);
        line->setPointsVisible(showPoints);
        line->replace(i < runs.size() ? runs.at(i) : QList<QPointF>());
    }
    m_failures->replace(failures);
    if (toMs <= fromMs)
        toMs = fromMs + 1000;
    m_timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(fromMs), QDateTime::fromMSecsSinceEpoch(toMs));
    // Some room above the highest answer, then round ticks; a LAN answers in tens of microseconds, so the
    // scale goes down to a tenth of a millisecond, with the decimals to read it.
    const double top = std::max(0.1, highest / 1000.0 * 1.1);
    m_rttAxis->setRange(0, top);
    m_rttAxis->applyNiceNumbers();
    m_rttAxis->setLabelFormat(top < 1    ? QStringLiteral("%.2f")
                              : top < 10 ? QStringLiteral("%.1f")
                                         : QStringLiteral("%.0f"));
}

std::optional<Outcome> LatencyChart::nearest(qint64 timeMs, bool answered) const
{
    std::optional<Outcome> best;
    for (const Outcome& o : m_outcomes) {
        if (o.answered() == answered && (!best || std::abs(o.timeMs - timeMs) < std::abs(best->timeMs - timeMs)))
            best = o;
    }
    return best;
}

void LatencyChart::hovered(const QPointF& point, bool inside, bool answered)
{
    const std::optional<Outcome> o = inside ? nearest(std::llround(point.x()), answered) : std::nullopt;
    const QString text = o ? HistoryTexts::outcome(*o, m_outcomes.last().timeMs) : QString();
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(QCursor::pos(), text, this);
    Q_EMIT pointedAt(text);
}
