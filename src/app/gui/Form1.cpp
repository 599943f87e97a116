#include "Form1.h"

#include "AppTexts.h"
#include "ErrorBox.h"
#include "ExportActions.h"
#include "GuardedProcedure.h"
#include "HostListActions.h"
#include "HostListModel.h"
#include "Monitor.h"
#include "OnlineCheck.h"
#include "ProgressBarSink.h"
#include "ResultsModel.h"
#include "SavedHostList.h"
#include "SessionState.h"
#include "Skin.h"
#include "StartupRoutines.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

namespace {

// The layout is given in twips: 15 to a pixel at 96 dpi.
QRect twips(int left, int top, int width, int height)
{
    return {left / 15, top / 15, width / 15, height / 15};
}

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

} // namespace

Form1::Form1(Services services, QString programFolder, QWidget* parent)
    : QWidget(parent), m_services(services), m_programFolder(std::move(programFolder)),
      m_state(new SessionState(this)), m_hostList(new HostListModel(this)), m_results(new ResultsModel(this)),
      m_errorBox(new ErrorBox(services.messageBoxes)), m_handCursor(Qt::PointingHandCursor)
{
    buildControls();
    m_progressSink = new ProgressBarSink(*ProgressBar1);
    m_hostActions = new HostListActions(*m_hostList, *m_results, *m_state, *m_errorBox, services.messageBoxes,
                                        services.inputBox, services.fileDialogs, this);
    m_monitor = new Monitor(*m_hostList, *m_results, *m_state, *m_errorBox, services.messageBoxes, services.echo,
                            services.resolver, services.clock, this);
    m_exportActions = new ExportActions(*m_results, *m_state, *m_errorBox, services.messageBoxes,
                                        services.fileDialogs, services.clipboard, services.spreadsheet,
                                        *m_progressSink, this);
    m_onlineCheck = new OnlineCheck(services.processRunner, services.messageBoxes, m_state->applicationTitle);

    connect(PushButton6, &QPushButton::clicked, m_hostActions, &HostListActions::PushButton6_Click);
    connect(PushButton3, &QPushButton::clicked, m_hostActions, &HostListActions::PushButton3_Click);
    connect(PushButton1, &QPushButton::clicked, m_hostActions, &HostListActions::PushButton1_Click);
    connect(PushButton7, &QPushButton::clicked, m_hostActions, &HostListActions::PushButton7_Click);
    connect(ListView1, &QTreeView::doubleClicked, this,
            [this] { m_hostActions->removeSelected(selectedRow(ListView1)); });
    connect(PushButton17, &QPushButton::clicked, this, [this] { m_monitor->PushButton17_Click(Text1->text()); });
    connect(m_monitor, &Monitor::captionChanged, PushButton17, &QPushButton::setText);
    connect(PushButton2, &QPushButton::clicked, m_monitor, &Monitor::PushButton2_Click);
    connect(PushButton4, &QPushButton::clicked, m_exportActions, &ExportActions::PushButton4_Click);
    connect(PushButton13, &QPushButton::clicked, m_exportActions, &ExportActions::PushButton13_Click);
    connect(PushButton5, &QPushButton::clicked, m_exportActions, &ExportActions::PushButton5_Click);
    connect(m_state, &SessionState::busyChanged, this, &Form1::applyPointer);
}

Form1::~Form1()
{
    delete m_onlineCheck;
    delete m_progressSink;
    delete m_errorBox;
}

void Form1::buildControls()
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(ClientWidth, ClientHeight);
    setFont(arialBold(9));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    auto makeView = [this](const QRect& geometry, QAbstractItemModel* model) {
        auto* view = new QTreeView(this);
        view->setGeometry(geometry);
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
    ListView1 = makeView(twips(120, 120, 7800, 1860), m_hostList);
    ListView1->setToolTip(HostListModel::toolTip());
    ListView2 = makeView(twips(120, 3600, 7800, 2100), m_results);

    auto makeButton = [this](const char* caption, const QRect& geometry) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        button->setGeometry(geometry);
        button->setFont(arialBold(11.25));
        button->setAutoDefault(false);
        return button;
    };
    PushButton6 = makeButton("Add One Host Name/IP", twips(120, 2070, 3840, 405));
    PushButton3 = makeButton("Load List From Text File", twips(4080, 2070, 3840, 405));
    PushButton1 = makeButton("Clear List", twips(120, 2580, 3840, 405));
    PushButton7 = makeButton("Load Sample/Example Data", twips(4080, 2580, 3840, 405));
    PushButton17 = makeButton("Start Pinging", twips(120, 3090, 7800, 405));
    PushButton4 = makeButton("Save Results As Text File", twips(120, 5790, 3840, 405));
    PushButton13 = makeButton("Save Results As Excel File", twips(4080, 5790, 3840, 405));
    PushButton5 = makeButton("Copy Results To Clipboard", twips(120, 6300, 3840, 405));
    PushButton2 = makeButton("Clear Results", twips(4080, 6300, 3840, 405));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(twips(240, 6820, 7800, 405));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setAlignment(Qt::AlignCenter);
    ProgressBar1->setFormat(AppTexts::ProgressIdleText);

    Label1 = new QLabel(QStringLiteral("Pause:"), this);
    Label1->setGeometry(twips(120, 7440, 735, 255));
    Text1 = new QLineEdit(QStringLiteral("3"), this);
    Text1->setGeometry(twips(840, 7440, 495, 330));
    Label2 = new QLabel(QStringLiteral("seconds"), this);
    Label2->setGeometry(twips(1560, 7440, 855, 255));

    // Tab order of the layout: the two tables, the pause, then the buttons and the bar.
    const QList<QWidget*> order = {ListView1,    ListView2,   Text1,       PushButton6, PushButton3,
                                   PushButton1,  PushButton17, PushButton4, PushButton13, PushButton2,
                                   PushButton5,  PushButton7};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    applyPointer();
}

void Form1::setUpColumns()
{
    const int hostWidth = 7000 / 15;
    const int resultWidth = 2300 / 15;
    ListView1->header()->resizeSection(0, hostWidth);
    for (int c = 0; c < ResultsModel::ColumnCount; ++c)
        ListView2->header()->resizeSection(c, resultWidth);
}

void Form1::Form_Load()
{
    GuardedProcedure g(*m_errorBox, AppTexts::location("Form1", "Form_Load"));
    g.step(100, [&] { Skin::ApplySkin(m_programFolder, *this); });
    g.step(102, [&] { m_onlineCheck->CheckOnline(); });
    g.step(108, [&] {
        setWindowTitle(AppTexts::WindowCaption);
        setWindowIcon(QIcon(QStringLiteral(":/vantrel.png")));
        m_state->applicationTitle = StartupRoutines::ShortenAppTitle(AppTexts::ProductName);
        m_onlineCheck->setApplicationTitle(m_state->applicationTitle);
    });
    bool hasCursorFile = false;
    const QString cursorPath = m_programFolder + QStringLiteral("/HAND-M.CUR");
    g.step(110, [&] { hasCursorFile = StartupRoutines::FileExists(cursorPath); });
    if (hasCursorFile) {
        g.step(112, [&] {
            QFile file(cursorPath);
            const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            QPixmap image;
            if (!image.loadFromData(bytes, "ICO") && !image.loadFromData(bytes))
                throw std::runtime_error("The hand cursor file cannot be read");
            m_handCursor = QCursor(image, cursorHotSpot(bytes, image).x(), cursorHotSpot(bytes, image).y());
            applyPointer();
        });
    }
    g.step(114, [&] { StartupRoutines::OccasionalWebsiteVisit(m_services.random, m_services.urlOpener); });
    g.step(132, [&] { setUpColumns(); });
    QString saved;
    g.step(184, [&] { saved = SavedHostList::read(m_services.settings); });
    if (!saved.isEmpty()) // (188)
        g.step(196, [&] { m_hostList->append(SavedHostList::split(saved)); });
    g.step(200, [&] { m_state->HostListChanged = true; });
}

void Form1::Form_QueryUnload()
{
    GuardedProcedure g(*m_errorBox, AppTexts::location("Form1", "Form_QueryUnload"));
    QString joined;
    g.step(102, [&] { joined = SavedHostList::join(m_hostList->texts()); });
    g.step(110, [&] { SavedHostList::write(m_services.settings, joined); });
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Closing is never refused: the host list is saved in any state, also while monitoring runs.
    if (!m_closed) {
        m_closed = true;
        Form_QueryUnload();
    }
    event->accept();
}

int Form1::selectedRow(QTreeView* view) const
{
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        // Modifier keys are not looked at.
        if (watched == ListView1)
            m_hostActions->removeSelected(selectedRow(ListView1));
        else if (watched == ListView2)
            m_monitor->deleteResultRow(selectedRow(ListView2));
        return watched == ListView1 || watched == ListView2;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::applyPointer()
{
    // Over the buttons the hand, elsewhere the arrow; while a long operation runs everything shows the
    // busy pointer except the start/stop button, which keeps its hand.
    const bool busy = m_state->isBusy();
    setCursor(busy ? QCursor(Qt::WaitCursor) : QCursor(Qt::ArrowCursor));
    for (QPushButton* button : {PushButton6, PushButton3, PushButton1, PushButton7, PushButton4, PushButton13,
                                PushButton5, PushButton2}) {
        if (busy)
            button->unsetCursor();
        else
            button->setCursor(m_handCursor);
    }
    PushButton17->setCursor(m_handCursor);
}
