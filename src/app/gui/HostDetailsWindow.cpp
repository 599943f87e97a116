#include "app/gui/HostDetailsWindow.h"

#include "app/gui/LatencyChart.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStatistics.h"
#include "history/HistoryStore.h"
#include "history/HistoryTexts.h"
#include "results/HostTable.h"

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

HostDetailsWindow::HostDetailsWindow(HistoryRecorder& recorder, quint64 tag, QWidget* parent)
    : QWidget(parent, Qt::Window), m_recorder(recorder), m_tag(tag), m_slot(HostTable::slotInTag(tag)),
      m_host(new QLabel(this)), m_rangeBox(new QComboBox(this)), m_chart(new LatencyChart(this)),
      m_readout(new QLabel(this))
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

    const QList<std::pair<const char*, const char*>> leftFigures = {
        {"min", "Minimum:"},   {"max", "Maximum:"},         {"mean", "Mean:"},
        {"median", "Median:"}, {"p95", "95th percentile:"}, {"stddev", "Standard deviation:"},
        {"mos", "MOS:"}};
    const QList<std::pair<const char*, const char*>> rightFigures = {
        {"jitter", "Jitter:"},         {"loss", "Loss:"},
        {"outcomes", "Echoes:"},       {"streak", "Now:"},
        {"outage", "Longest outage:"}, {"strays", "Late, duplicate:"}};
    for (const auto& [name, caption] : leftFigures)
        left->addRow(QString::fromLatin1(caption), addFigure(name));
    for (const auto& [name, caption] : rightFigures)
        right->addRow(QString::fromLatin1(caption), addFigure(name));

    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(RefreshDelayMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &HostDetailsWindow::refresh);
    connect(&m_recorder, &HistoryRecorder::recorded, this, &HostDetailsWindow::recorded);
    connect(&m_recorder, &HistoryRecorder::forgotten, this, &HostDetailsWindow::rowGone);
    connect(&m_recorder, &HistoryRecorder::cleared, this, [this] { rowGone(m_tag); });
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

void HostDetailsWindow::recorded()
{
    // A batch holds many rows; this one's history changed when its newest outcome or its size did.
    const HistoryStore& store = m_recorder.store();
    if (store.newestTimeMs(m_slot) == m_shownNewestMs && store.size(m_slot) == m_shownSize &&
        store.lateReplies(m_slot) + store.duplicateReplies(m_slot) == m_shownStrays)
        return;
    if (!m_refreshTimer.isActive())
        m_refreshTimer.start();
}

void HostDetailsWindow::rowGone(quint64 tag)
{
    if (tag != m_tag)
        return;
    m_refreshTimer.stop();
    close();
}

void HostDetailsWindow::refresh()
{
    m_refreshTimer.stop();
    const HostTable& results = m_recorder.results();
    if (results.slotOfTag(m_tag) == HostTable::NoSlot)
        return;
    const QString host = results.hostText(m_slot);
    m_host->setText(host);
    setWindowTitle(QStringLiteral("%1 - Host Details").arg(host));

    const HistoryStore& store = m_recorder.store();
    const bool kept = !store.isEmpty(m_slot);
    const qint64 newest = kept ? store.newestTimeMs(m_slot) : 0;
    qint64 from = kept ? store.oldestTimeMs(m_slot) : 0;
    m_shownNewestMs = kept ? newest : -1;
    m_shownSize = store.size(m_slot);
    // The ranges end at the newest outcome, so a stopped monitor still shows its last minutes.
    if (m_range == LastFiveMinutes)
        from = std::max(from, newest - 5 * 60 * 1000);
    else if (m_range == LastHour)
        from = std::max(from, newest - 60 * 60 * 1000);
    QList<Outcome> outcomes = kept ? store.outcomes(m_slot, from) : QList<Outcome>();
    const HistoryStatistics s = HistoryStatistics::compute(outcomes);

    setFigure("min", withUnit(HistoryTexts::milliseconds(s.minMs)));
    setFigure("max", withUnit(HistoryTexts::milliseconds(s.maxMs)));
    setFigure("mean", withUnit(HistoryTexts::milliseconds(s.meanMs)));
    setFigure("median", withUnit(HistoryTexts::milliseconds(s.medianMs)));
    setFigure("p95", withUnit(HistoryTexts::milliseconds(s.p95Ms)));
    setFigure("jitter", withUnit(HistoryTexts::milliseconds(s.jitterMs)));
    setFigure("stddev", withUnit(HistoryTexts::milliseconds(s.stddevMs)));
    const QString mos = HistoryTexts::score(s.mos());
    setFigure("mos", mos.isEmpty() ? QStringLiteral("–") : mos);
    const std::optional<double> loss = s.lossPercent();
    setFigure("loss",
              loss ? QStringLiteral("%1% (%2 of %3)").arg(QString::number(*loss, 'f', 2)).arg(s.failed).arg(s.outcomes)
                   : QStringLiteral("–"));
    setFigure("outcomes", kept ? QStringLiteral("%1 shown, %2 kept of at most %3")
                                     .arg(s.outcomes)
                                     .arg(store.size(m_slot))
                                     .arg(store.capacityPerHost())
                               : QStringLiteral("none yet"));
    setFigure("streak", s.streak ? HistoryTexts::streak(s) : QStringLiteral("–"));
    setFigure("outage", HistoryTexts::longestOutage(s));
    // Counted since the row began, whatever the range.
    m_shownStrays = store.lateReplies(m_slot) + store.duplicateReplies(m_slot);
    setFigure(
        "strays",
        QStringLiteral("%1 late, %2 duplicate").arg(store.lateReplies(m_slot)).arg(store.duplicateReplies(m_slot)));
    m_chart->setOutcomes(std::move(outcomes), from, newest);
}
