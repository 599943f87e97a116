#include "app/gui/HostDetailsWindow.h"

#include "app/gui/LatencyChart.h"
#include "core/ResultsModel.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStatistics.h"
#include "history/HistoryStore.h"
#include "history/HistoryTexts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace
{
QString withUnit(const QString& ms)
{
    return ms.isEmpty() ? QStringLiteral("–") : ms + QStringLiteral(" ms");
}
} // namespace

HostDetailsWindow::HostDetailsWindow(HistoryRecorder& recorder, quint64 rowId, QWidget* parent)
    : QWidget(parent, Qt::Window), m_recorder(recorder), m_rowId(rowId), m_host(new QLabel(this)),
      m_rangeBox(new QComboBox(this)), m_chart(new LatencyChart(this)), m_readout(new QLabel(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("hostDetailsWindow"));
    resize(720, 560);
    m_host->setObjectName(QStringLiteral("host"));
    QFont bold = m_host->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    m_host->setFont(bold);
    m_rangeBox->setObjectName(QStringLiteral("range"));
    m_rangeBox->addItems(
        {QStringLiteral("Last 5 minutes"), QStringLiteral("Last hour"), QStringLiteral("Everything kept")});
    m_rangeBox->setCurrentIndex(m_range);
    m_readout->setObjectName(QStringLiteral("readout"));
    m_readout->setText(QStringLiteral("Point at the chart to read an echo."));

    auto* top = new QHBoxLayout;
    top->addWidget(m_host, 1);
    top->addWidget(m_rangeBox);
    auto* left = new QFormLayout;
    auto* right = new QFormLayout;
    auto* figures = new QHBoxLayout;
    figures->addLayout(left);
    figures->addSpacing(24);
    figures->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(figures);
    layout->addWidget(m_chart, 1);
    layout->addWidget(m_readout);

    const QList<std::pair<const char*, const char*>> leftFigures = {{"min", "Minimum:"},
                                                                    {"max", "Maximum:"},
                                                                    {"mean", "Mean:"},
                                                                    {"median", "Median:"},
                                                                    {"p95", "95th percentile:"}};
    const QList<std::pair<const char*, const char*>> rightFigures = {{"jitter", "Jitter:"},
                                                                     {"loss", "Loss:"},
                                                                     {"outcomes", "Echoes:"},
                                                                     {"streak", "Now:"},
                                                                     {"outage", "Longest outage:"}};
    for (const auto& [name, caption] : leftFigures)
        left->addRow(QString::fromLatin1(caption), addFigure(name));
    for (const auto& [name, caption] : rightFigures)
        right->addRow(QString::fromLatin1(caption), addFigure(name));

    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(RefreshDelayMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &HostDetailsWindow::refresh);
    connect(&m_recorder, &HistoryRecorder::recorded, this, [this](quint64 id) {
        if (id == m_rowId && !m_refreshTimer.isActive())
            m_refreshTimer.start();
    });
    connect(&m_recorder, &HistoryRecorder::forgotten, this, &HostDetailsWindow::rowGone);
    connect(&m_recorder, &HistoryRecorder::cleared, this, [this] { rowGone(m_rowId); });
    connect(m_rangeBox, &QComboBox::currentIndexChanged, this, [this](int i) { setRange(Range(i)); });
    connect(m_chart, &LatencyChart::pointedAt, this, [this](const QString& text) {
        if (!text.isEmpty())
            m_readout->setText(text);
    });
    refresh();
}

QLabel* HostDetailsWindow::addFigure(const char* name)
{
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_figures.insert(QString::fromLatin1(name), label);
    return label;
}

void HostDetailsWindow::setFigure(const char* name, const QString& text)
{
    m_figures.value(QString::fromLatin1(name))->setText(text);
}

void HostDetailsWindow::setRange(Range range)
{
    m_range = range;
    if (m_rangeBox->currentIndex() != range)
        m_rangeBox->setCurrentIndex(range);
    refresh();
}

void HostDetailsWindow::rowGone(quint64 rowId)
{
    if (rowId != m_rowId)
        return;
    m_refreshTimer.stop();
    close();
}

void HostDetailsWindow::refresh()
{
    m_refreshTimer.stop();
    const ResultsModel& results = m_recorder.results();
    const int row = results.indexOfRowId(m_rowId);
    if (row < 0)
        return;
    const QString host = results.row(row).host;
    m_host->setText(host);
    setWindowTitle(QStringLiteral("%1 - Host Details").arg(host));

    const OutcomeRing* ring = m_recorder.store().ring(m_rowId);
    const qint64 newest = ring ? ring->newestTimeMs() : 0;
    qint64 from = ring ? ring->oldestTimeMs() : 0;
    // The ranges end at the newest outcome, so a stopped monitor still shows its last minutes.
    if (m_range == LastFiveMinutes)
        from = std::max(from, newest - 5 * 60 * 1000);
    else if (m_range == LastHour)
        from = std::max(from, newest - 60 * 60 * 1000);
    QList<Outcome> outcomes = ring ? ring->outcomes(from) : QList<Outcome>();
    const HistoryStatistics s = HistoryStatistics::compute(outcomes);

    setFigure("min", withUnit(HistoryTexts::milliseconds(s.minMs)));
    setFigure("max", withUnit(HistoryTexts::milliseconds(s.maxMs)));
    setFigure("mean", withUnit(HistoryTexts::milliseconds(s.meanMs)));
    setFigure("median", withUnit(HistoryTexts::milliseconds(s.medianMs)));
    setFigure("p95", withUnit(HistoryTexts::milliseconds(s.p95Ms)));
    setFigure("jitter", withUnit(HistoryTexts::milliseconds(s.jitterMs)));
    const std::optional<double> loss = s.lossPercent();
    setFigure("loss",
              loss ? QStringLiteral("%1% (%2 of %3)").arg(QString::number(*loss, 'f', 2)).arg(s.failed).arg(s.outcomes)
                   : QStringLiteral("–"));
    setFigure(
        "outcomes",
        ring ? QStringLiteral("%1 shown, %2 kept of at most %3").arg(s.outcomes).arg(ring->size()).arg(ring->capacity())
             : QStringLiteral("none yet"));
    setFigure("streak", s.streak ? HistoryTexts::streak(s) : QStringLiteral("–"));
    setFigure("outage", HistoryTexts::longestOutage(s));
    m_chart->setOutcomes(std::move(outcomes), from, newest);
}
