#include "app/gui/OutageLogWindow.h"

#include "alerts/EventCsv.h"
#include "alerts/EventTexts.h"
#include "alerts/OutageLogModel.h"
#include "platform/Clock.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

OutageLogWindow::OutageLogWindow(OutageLogModel& model, Clock& clock, FileDialogs& dialogs, MessageBoxes& boxes,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), m_model(model), m_clock(clock), m_dialogs(dialogs), m_boxes(boxes)
{
    setObjectName(QStringLiteral("outageLog"));
    setWindowTitle(QStringLiteral("Outage Log"));
    // Closing the main window ends the program even while the log is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(760, 520);

    m_hostFilter = new QLineEdit(this);
    m_hostFilter->setObjectName(QStringLiteral("hostFilter"));
    m_hostFilter->setPlaceholderText(QStringLiteral("Host contains…"));
    m_hostFilter->setClearButtonEnabled(true);
    m_stateFilter = new QComboBox(this);
    m_stateFilter->setObjectName(QStringLiteral("stateFilter"));
    m_stateFilter->addItem(QStringLiteral("All events"), QString());
    for (const char* name : {"down", "up", "degraded", "unreachable", "flapping", "stable", "moved"}) {
        QString label = QString::fromLatin1(name);
        label[0] = label[0].toUpper();
        m_stateFilter->addItem(label, QString::fromLatin1(name));
    }
    m_period = new QComboBox(this);
    m_period->setObjectName(QStringLiteral("period"));
    m_period->addItem(QStringLiteral("Last 24 hours"), 1);
    m_period->addItem(QStringLiteral("Last 7 days"), 7);
    m_period->addItem(QStringLiteral("Last 30 days"), 30);
    m_period->addItem(QStringLiteral("All kept"), 0);
    m_period->setCurrentIndex(1);
    auto* exportButton = new QPushButton(QStringLiteral("Export CSV…"), this);
    exportButton->setObjectName(QStringLiteral("exportCsv"));

    auto* filters = new QHBoxLayout;
    filters->addWidget(m_hostFilter, 1);
    filters->addWidget(m_stateFilter);
    filters->addWidget(m_period);
    filters->addWidget(exportButton);

    m_events = new QTreeView(this);
    m_events->setObjectName(QStringLiteral("events"));
    m_events->setModel(&m_model);
    m_events->setRootIsDecorated(false);
    m_events->setUniformRowHeights(true);
    m_events->setAllColumnsShowFocus(true);
    m_events->header()->resizeSection(0, 150);
    m_events->header()->resizeSection(1, 180);
    m_events->header()->resizeSection(2, 60);
    m_events->header()->resizeSection(3, 110);

    m_summary = new QTreeWidget(this);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setRootIsDecorated(false);
    m_summary->setHeaderLabels({QStringLiteral("Host"), QStringLiteral("Outages"), QStringLiteral("Downtime")});
    m_summary->header()->resizeSection(0, 240);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_events);
    auto* summaryBox = new QWidget(split);
    auto* summaryLayout = new QVBoxLayout(summaryBox);
    summaryLayout->setContentsMargins(0, 0, 0, 0);
    summaryLayout->addWidget(new QLabel(QStringLiteral("Per host in the period"), summaryBox));
    summaryLayout->addWidget(m_summary);
    split->addWidget(summaryBox);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(split, 1);

    connect(m_hostFilter, &QLineEdit::textChanged, this, &OutageLogWindow::applyFilter);
    connect(m_stateFilter, &QComboBox::currentIndexChanged, this, &OutageLogWindow::applyFilter);
    connect(m_period, &QComboBox::currentIndexChanged, this, &OutageLogWindow::applyFilter);
    connect(exportButton, &QPushButton::clicked, this, &OutageLogWindow::exportCsv);
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] {
        if (isVisible())
            refreshSummary();
    });
    applyFilter();
}

void OutageLogWindow::showEvent(QShowEvent* event)
{
    applyFilter(); // the period ends now
    QWidget::showEvent(event);
}

void OutageLogWindow::applyFilter()
{
    const int days = m_period->currentData().toInt();
    m_model.setFilter(m_hostFilter->text(), m_stateFilter->currentData().toString(),
                      days > 0 ? m_clock.now().addDays(-days) : QDateTime());
    refreshSummary();
}

void OutageLogWindow::refreshSummary()
{
    m_summary->clear();
    QList<QTreeWidgetItem*> items;
    for (const OutageLogModel::HostSummary& s : m_model.summary(m_clock.now())) {
        auto* item = new QTreeWidgetItem({s.host, QString::number(s.outages), EventTexts::duration(s.downtimeSecs)});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        items << item;
    }
    m_summary->addTopLevelItems(items);
}

void OutageLogWindow::exportCsv()
{
    const QString path = m_dialogs.saveFile(QStringLiteral("Export Outage Log"), {QStringLiteral("CSV Files (*.csv)")});
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !EventCsv::write(m_model.shownEvents(), file) || !file.commit())
        m_boxes.warning(QStringLiteral("Outage Log"),
                        QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}
