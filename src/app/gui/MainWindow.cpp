#include "app/gui/MainWindow.h"

#include "alerts/AlertRules.h"
#include "app/gui/HostDetailsWindows.h"
#include "app/gui/ProgressBarSink.h"
#include "app/gui/ResultsTreeView.h"
#include "app/gui/ResultsViewProxy.h"
#include "app/gui/Skin.h"
#include "app/gui/WindowLayout.h"
#include "core/AppTexts.h"
#include "core/ErrorBox.h"
#include "core/ErrorLocations.h"
#include "core/GuardedProcedure.h"
#include "core/HostListAutosave.h"
#include "core/HostListModel.h"
#include "core/SavedHostList.h"
#include "core/SessionState.h"
#include "core/StartupRoutines.h"
#include "export/ExportActions.h"
#include "hostlist/HostListActions.h"
#include "monitor/Monitor.h"
#include "online/OnlineCheck.h"
#include "results/ResultsModel.h"
#include "session/MonitorSession.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTreeView>

namespace
{

QFont arialBold(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

// The hot spot of the first image of a Windows cursor file, or the centre when the file has none.
QPoint cursorHotSpot(const QByteArray& cur, const QPixmap& image)
{
    if (cur.size() >= 14 && cur.at(2) == 2) {
        const int x = static_cast<quint8>(cur.at(10)) | (static_cast<quint8>(cur.at(11)) << 8);
        const int y = static_cast<quint8>(cur.at(12)) | (static_cast<quint8>(cur.at(13)) << 8);
        return {x, y};
    }
    return {image.width() / 2, image.height() / 2};
}

// Where the error box says the start-up and closing handlers stopped. Users quote these numbers in reports,
// so they never change.
struct StartUpStep {
    enum : int {
        ApplySkin = 100,
        StartOnlineCheck = 102,
        SetTitles = 108,
        LookForCursorFile = 110,
        LoadCursor = 112,
        VisitWebsite = 114,
        SetUpColumns = 132,
        ReadSavedList = 184,
        AppendSavedList = 196,
        MarkHostListChanged = 200
    };
};
struct SaveHostListStep {
    enum : int { JoinHosts = 102, WriteSettings = 110 };
};

} // namespace

MainWindow::MainWindow(MonitorSession& session, Services services, QString programFolder, QWidget* parent)
    : QWidget(parent), m_session(session), m_services(services), m_programFolder(std::move(programFolder)),
      m_state(&session.state()), m_hostList(&session.hostList()), m_results(&session.results()),
      m_errorBox(&session.errorBox()), m_monitor(&session.monitor()), m_handCursor(Qt::PointingHandCursor)
{
    m_resultsProxy = new ResultsViewProxy(*m_results, this);
    m_resultsProxy->setObjectName(QStringLiteral("resultsViewProxy"));
    AlertRules& rules = session.alertRules();
    m_resultsProxy->setSilenced([&rules](const QString& host) { return rules.isSilenced(host); });
    connect(&rules, &AlertRules::silencesChanged, m_resultsProxy, &ResultsViewProxy::quietHostsChanged);
    buildControls();
    m_progressSink = new ProgressBarSink(*m_progressBar);
    m_hostActions = new HostListActions(*m_hostList, *m_results, *m_state, *m_errorBox, services.messageBoxes,
                                        services.inputBox, services.fileDialogs, this);
    m_exportActions = new ExportActions(*m_results, *m_state, *m_errorBox, services.messageBoxes, services.fileDialogs,
                                        services.clipboard, services.spreadsheet, *m_progressSink, this);
    m_onlineCheck = new OnlineCheck(services.processRunner, services.messageBoxes, m_state->applicationTitle);
    m_autosave = new HostListAutosave(*m_hostList, services.settings, this);
    // The session keeps a history for the window; without one (a tool without details) there are no details.
    m_detailsWindows = new HostDetailsWindows(*session.history(), this);
    m_detailsWindows->setObjectName(QStringLiteral("hostDetailsWindows"));

    connect(m_addHostButton, &QPushButton::clicked, m_hostActions, &HostListActions::addHost);
    connect(m_loadListButton, &QPushButton::clicked, m_hostActions, &HostListActions::chooseListFiles);
    connect(m_clearListButton, &QPushButton::clicked, m_hostActions, &HostListActions::clearList);
    connect(m_sampleDataButton, &QPushButton::clicked, m_hostActions, &HostListActions::loadSampleData);
    connect(m_hostView, &QTreeView::doubleClicked, this,
            [this] { m_hostActions->removeSelected(selectedRow(m_hostView)); });
    connect(m_startStopButton, &QPushButton::clicked, this, &MainWindow::startOrStop);
    connect(m_monitor, &Monitor::captionChanged, m_startStopButton, &QPushButton::setText);
    connect(m_clearResultsButton, &QPushButton::clicked, m_monitor, &Monitor::clearResults);
    connect(m_saveTextButton, &QPushButton::clicked, m_exportActions, &ExportActions::saveAsText);
    connect(m_saveWorkbookButton, &QPushButton::clicked, m_exportActions, &ExportActions::saveAsWorkbook);
    connect(m_copyButton, &QPushButton::clicked, m_exportActions, &ExportActions::copyToClipboard);
    connect(m_state, &SessionState::busyChanged, this, &MainWindow::applyPointer);
    buildExtensions();
    connect(m_resultsView, &QTreeView::doubleClicked, m_detailsWindows, &HostDetailsWindows::openAt);
    auto* details = new QAction(QStringLiteral("Host Details..."), this);
    details->setObjectName(QStringLiteral("hostDetailsAction"));
    connect(details, &QAction::triggered, this, [this] { m_detailsWindows->openAt(m_resultsView->currentIndex()); });
    addResultsAction(details);
}

MainWindow::~MainWindow()
{
    delete m_onlineCheck;
    delete m_progressSink;
}

void MainWindow::saveHostListNow()
{
    m_autosave->saveNow();
}

void MainWindow::buildControls()
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    // Opens at the default size with every control in its place there; larger sizes share out the room.
    m_layout = new WindowLayout(this, QSize(ClientWidth, ClientHeight));
    resize(ClientWidth, ClientHeight);
    using Across = WindowLayout::Across;
    using Down = WindowLayout::Down;
    setFont(arialBold(9));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    auto makeView = [this](QTreeView* view, const QRect& geometry, QAbstractItemModel* model, Down down) {
        m_layout->addWidget(view, geometry, Across::Full, down);
        view->setModel(model);
        view->setRootIsDecorated(false);
        view->setItemsExpandable(false);
        view->setUniformRowHeights(true); // keeps 100,000 rows smooth
        view->setAllColumnsShowFocus(true);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        view->header()->setStretchLastSection(false);
        view->header()->setSectionResizeMode(QHeaderView::Interactive);
        view->header()->setSectionsMovable(false);
        view->setFont(arialBold(9));
        view->installEventFilter(this);
        return view;
    };
    m_hostView = makeView(new QTreeView(this), QRect(8, 8, 520, 124), m_hostList, Down::HostTable);
    m_hostView->setObjectName(QStringLiteral("hostView"));
    m_hostView->setToolTip(HostListModel::toolTip());
    m_hostView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_hostView->viewport()->setAcceptDrops(true);
    m_hostView->viewport()->installEventFilter(this); // list files dropped on it
    m_resultsView = makeView(new ResultsTreeView(this), QRect(8, 240, 520, 140), m_resultsProxy, Down::ResultsTable);
    m_resultsView->setObjectName(QStringLiteral("resultsView"));
    m_resultsView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_resultsView->header()->setSectionsClickable(true);
    m_resultsView->header()->setSortIndicatorShown(true);
    m_resultsView->header()->setSortIndicator(-1, Qt::AscendingOrder);

    auto makeButton = [this](const char* caption, const QRect& geometry) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        // Buttons side by side share the width; a button alone spans it.
        const Across across = geometry.width() > 300 ? Across::Full
                              : geometry.x() > 100   ? Across::RightHalf
                                                     : Across::LeftHalf;
        const Down down = geometry.y() < 240 ? Down::BelowHostTable : Down::Bottom;
        m_layout->addWidget(button, geometry, across, down);
        button->setFont(arialBold(11.25));
        button->setAutoDefault(false);
        return button;
    };
    m_addHostButton = makeButton("Add One Host Name/IP", QRect(8, 138, 256, 27));
    m_addHostButton->setObjectName(QStringLiteral("addHostButton"));
    m_loadListButton = makeButton("Load List From Text File", QRect(272, 138, 256, 27));
    m_loadListButton->setObjectName(QStringLiteral("loadListButton"));
    m_clearListButton = makeButton("Clear List", QRect(8, 172, 256, 27));
    m_clearListButton->setObjectName(QStringLiteral("clearListButton"));
    m_sampleDataButton = makeButton("Load Sample/Example Data", QRect(272, 172, 256, 27));
    m_sampleDataButton->setObjectName(QStringLiteral("sampleDataButton"));
    m_startStopButton = makeButton("Start Pinging", QRect(8, 206, 520, 27));
    m_startStopButton->setObjectName(QStringLiteral("startStopButton"));
    m_saveTextButton = makeButton("Save Results As Text File", QRect(8, 386, 256, 27));
    m_saveTextButton->setObjectName(QStringLiteral("saveTextButton"));
    m_saveWorkbookButton = makeButton("Save Results As Excel File", QRect(272, 386, 256, 27));
    m_saveWorkbookButton->setObjectName(QStringLiteral("saveWorkbookButton"));
    m_copyButton = makeButton("Copy Results To Clipboard", QRect(8, 420, 256, 27));
    m_copyButton->setObjectName(QStringLiteral("copyButton"));
    m_clearResultsButton = makeButton("Clear Results", QRect(272, 420, 256, 27));
    m_clearResultsButton->setObjectName(QStringLiteral("clearResultsButton"));

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_layout->addWidget(m_progressBar, QRect(16, 454, 520, 27), Across::Full, Down::Bottom);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(true);
    m_progressBar->setAlignment(Qt::AlignCenter);
    m_progressBar->setFormat(AppTexts::ProgressIdleText);

    m_pauseLabel = new QLabel(QStringLiteral("Pause:"), this);
    m_pauseLabel->setObjectName(QStringLiteral("pauseLabel"));
    m_layout->addWidget(m_pauseLabel, QRect(8, 496, 49, 17), Across::Fixed, Down::Bottom);
    m_pauseEdit = new QLineEdit(QStringLiteral("3"), this);
    m_pauseEdit->setObjectName(QStringLiteral("pauseEdit"));
    m_layout->addWidget(m_pauseEdit, QRect(56, 496, 33, 22), Across::Fixed, Down::Bottom);
    m_secondsLabel = new QLabel(QStringLiteral("seconds"), this);
    m_secondsLabel->setObjectName(QStringLiteral("secondsLabel"));
    m_layout->addWidget(m_secondsLabel, QRect(104, 496, 57, 17), Across::Fixed, Down::Bottom);
    // The summary line takes the free end of the pause row, so the default window keeps its size.
    m_summaryLabel = new QLabel(this);
    m_summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
    m_summaryLabel->setFont(QFont(QStringLiteral("Arial"), 8));
    m_summaryLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_summaryLabel->installEventFilter(this);
    m_layout->addWidget(m_summaryLabel, QRect(168, 496, 360, 17), Across::Full, Down::Bottom);

    // Tab order of the layout: the two tables, the pause, then the buttons and the bar.
    const QList<QWidget*> order = {m_hostView,           m_resultsView,        m_pauseEdit,       m_addHostButton,
                                   m_loadListButton,     m_clearListButton,    m_startStopButton, m_saveTextButton,
                                   m_saveWorkbookButton, m_clearResultsButton, m_copyButton,      m_sampleDataButton};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    applyPointer();
}

void MainWindow::setUpColumns()
{
    const int hostWidth = 466;
    const int resultWidth = 153;
    m_hostView->header()->resizeSection(0, hostWidth);
    for (int c = 0; c < ResultsModel::ColumnCount; ++c)
        m_resultsView->header()->resizeSection(c, resultWidth);
}

void MainWindow::startUp()
{
    GuardedProcedure g(*m_errorBox, ErrorLocations::StartUp);
    g.step(StartUpStep::ApplySkin, [&] { Skin::apply(m_programFolder, *this); });
    g.step(StartUpStep::StartOnlineCheck, [&] { m_onlineCheck->start(); });
    g.step(StartUpStep::SetTitles, [&] {
        setWindowTitle(AppTexts::WindowCaption);
        setWindowIcon(QIcon(QStringLiteral(":/vantrel.png")));
        m_state->applicationTitle = StartupRoutines::shortenedTitle(AppTexts::ProductName);
        m_onlineCheck->setApplicationTitle(m_state->applicationTitle);
    });
    bool hasCursorFile = false;
    // The user's sizes and sort go over the defaults once the start-up is through.
    const auto restoreView = qScopeGuard([this] { restoreWindowSettings(); });
    const QString cursorPath = m_programFolder + QStringLiteral("/HAND-M.CUR");
    g.step(StartUpStep::LookForCursorFile, [&] { hasCursorFile = StartupRoutines::fileExists(cursorPath); });
    if (hasCursorFile) {
        g.step(StartUpStep::LoadCursor, [&] {
            QFile file(cursorPath);
            const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            QPixmap image;
            if (!image.loadFromData(bytes, "ICO") && !image.loadFromData(bytes))
                throw std::runtime_error("The hand cursor file cannot be read");
            m_handCursor = QCursor(image, cursorHotSpot(bytes, image).x(), cursorHotSpot(bytes, image).y());
            applyPointer();
        });
    }
    g.step(StartUpStep::VisitWebsite,
           [&] { StartupRoutines::occasionalWebsiteVisit(m_services.random, m_services.urlOpener); });
    g.step(StartUpStep::SetUpColumns, [&] { setUpColumns(); });
    QString saved;
    g.step(StartUpStep::ReadSavedList, [&] { saved = SavedHostList::read(m_services.settings); });
    if (!saved.isEmpty())
        g.step(StartUpStep::AppendSavedList, [&] { m_hostList->append(SavedHostList::split(saved)); });
    g.step(StartUpStep::MarkHostListChanged, [&] { m_state->hostListChanged = true; });
}

void MainWindow::startOrStop()
{
    m_monitor->startOrStop(m_pauseEdit->text());
}

void MainWindow::addResultsActions(const QList<QAction*>& actions)
{
    for (QAction* action : actions)
        addResultsAction(action);
}

void MainWindow::saveHostList()
{
    GuardedProcedure g(*m_errorBox, ErrorLocations::SaveHostList);
    QString joined;
    g.step(SaveHostListStep::JoinHosts, [&] { joined = SavedHostList::join(m_hostList->texts()); });
    g.step(SaveHostListStep::WriteSettings, [&] { SavedHostList::write(m_services.settings, joined); });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing is never refused: the host list is saved in any state, also while monitoring runs.
    if (!m_closed) {
        m_closed = true;
        saveHostList();
        m_autosave->cancel(); // saved just now, with any error shown
        saveWindowSettings();
    }
    event->accept();
}

int MainWindow::selectedRow(QTreeView* view) const
{
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_summaryLabel && event->type() == QEvent::Resize && m_monitor != nullptr) {
        refreshSummary();
        return false;
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        // Modifier keys are not looked at.
        if (watched == m_hostView)
            removeSelectedHosts();
        else if (watched == m_resultsView)
            deleteSelectedResults();
        return watched == m_hostView || watched == m_resultsView;
    }
    if (watched == m_hostView->viewport() && acceptListFileDrop(event))
        return true;
    if (watched == m_resultsView && event->type() == QEvent::KeyPress &&
        (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
         static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter)) {
        m_detailsWindows->openAt(m_resultsView->currentIndex());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::applyPointer()
{
    // Over the buttons the hand, elsewhere the arrow; while a long operation runs everything shows the
    // busy pointer except the start/stop button, which keeps its hand.
    const bool busy = m_state->isBusy();
    setCursor(busy ? QCursor(Qt::WaitCursor) : QCursor(Qt::ArrowCursor));
    for (QPushButton* button : {m_addHostButton, m_loadListButton, m_clearListButton, m_sampleDataButton,
                                m_saveTextButton, m_saveWorkbookButton, m_copyButton, m_clearResultsButton}) {
        if (busy)
            button->unsetCursor();
        else
            button->setCursor(m_handCursor);
    }
    m_startStopButton->setCursor(m_handCursor);
}
