#include "export/ExportActions.h"

#include "core/ErrorBox.h"
#include "core/ErrorLocations.h"
#include "core/SessionState.h"
#include "export/AlignedTextWriter.h"
#include "export/ClipboardTextWriter.h"
#include "results/ResultsModel.h"
#include "tests/export/WorkbookReader.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeFileDialogs.h"
#include "tests/fakes/FakeMessageBoxes.h"
#include "tests/fakes/FakeProgressSink.h"
#include "tests/fakes/FakeSpreadsheetLauncher.h"
#include "tests/fakes/ResultsFeed.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

namespace
{

const QString ExcelMissingCheck = QStringLiteral(
    "Excel is not installed on this computer. You need to have it installed to use this software without error.");
const QString ExcelMissingFeature =
    QStringLiteral("Excel is not installed on this computer. You need to have it installed to use this feature.");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Everything a handler touches, around the real results table.
struct Rig {
    Rig()
    {
        results.setLocale(QLocale::c());
        actions = new ExportActions(results, state, errorBox, boxes, dialogs, clipboard, spreadsheet, progress);
    }
    ~Rig() { delete actions; }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    // Rows of hosts that answered, failed, or have not been pinged yet, in turn.
    void fill(int rows)
    {
        const QDateTime when(QDate(2024, 5, 1), QTime(10, 0, 0));
        for (int i = 0; i < rows; ++i) {
            const quint64 row =
                results.appendRow(static_cast<quint64>(i + 1), QStringLiteral("host-%1.example").arg(i));
            if (i % 3 == 0)
                ResultsFeed::success(results.table(), row, IpAddress::fromIpv4(0xC0000207u),
                                     static_cast<quint32>(i % 200), 57, when);
            else if (i % 3 == 1)
                ResultsFeed::failure(results.table(), row, 11010, when);
        }
    }

    ResultsModel results;
    SessionState state;
    FakeMessageBoxes boxes;
    ErrorBox errorBox{boxes};
    FakeFileDialogs dialogs;
    FakeClipboard clipboard;
    FakeSpreadsheetLauncher spreadsheet;
    FakeProgressSink progress;
    ExportActions* actions = nullptr;
};

// Keeps files from growing past a limit for its lifetime, so that writing fails as it would on a full disk
// (being root, permissions cannot make it fail).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool isSet() const { return m_set; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_set = false;
};

} // namespace

class ExportActionsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Text file
    void textFileAsTheTableShowsIt();
    void textFileCancelledDoesNothing();
    void textFileProgress_data();
    void textFileProgress();
    void barName_data();
    void barName();
    void textFileMissingFolderShowsOneBox();
    void textFileOverDirectoryShowsOneBox();
    void textFileWriteFailureKeepsTheOldFile();
    // Clipboard
    void clipboardGetsTheRows();
    void clipboardEmptyTableLeftAlone();
    // Workbook
    void workbookWithoutCalcSaysSoTwice();
    void workbookEmptyTableStopsSilently();
    void workbookWrittenAndOpened();
    void workbookFailureShowsOneBox_data();
    void workbookFailureShowsOneBox();
};

void ExportActionsTest::textFileAsTheTableShowsIt()
{
    QTemporaryDir folder;
    Rig rig;
    rig.fill(5);
    const QString path = folder.filePath(QStringLiteral("results"));
    rig.dialogs.saveAnswers = {path};
    QSignalSpy busy(&rig.state, &SessionState::busyChanged);

    rig.actions->saveAsText();

    QCOMPARE(rig.dialogs.lastTitle, QStringLiteral("Save"));
    QCOMPARE(rig.dialogs.lastFilters, (QStringList{"Text Files (*.txt)", "All Files (*)"}));
    const QByteArray bytes = readAll(path);
    QCOMPARE(bytes, AlignedTextWriter().toByteArray(rig.results.snapshot()));
    QVERIFY(bytes.startsWith("Host Name/IP  \tReply IP Address\tSucceed Count\t"));
    QCOMPARE(bytes.count("\r\n"), 6);
    QVERIFY(rig.boxes.shown.isEmpty());
    QCOMPARE(busy.size(), 2);
    QCOMPARE(busy.at(0).at(0).toBool(), true);
    QCOMPARE(busy.at(1).at(0).toBool(), false);
    QVERIFY(!rig.state.isBusy());
}

void ExportActionsTest::textFileCancelledDoesNothing()
{
    Rig rig;
    rig.fill(2);
    QSignalSpy busy(&rig.state, &SessionState::busyChanged);
    rig.actions->saveAsText(); // no scripted answer: Cancel
    QCOMPARE(rig.dialogs.lastTitle, QStringLiteral("Save"));
    QVERIFY(rig.progress.positions.isEmpty());
    QVERIFY(rig.progress.texts.isEmpty());
    QVERIFY(rig.boxes.shown.isEmpty());
    QCOMPARE(busy.size(), 0);
}

void ExportActionsTest::textFileProgress_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("empty table") << 0;
    QTest::newRow("3 rows") << 3;
    QTest::newRow("1000 rows") << 1000;
    QTest::newRow("1999 rows") << 1999;
    QTest::newRow("2000 rows") << 2000;
    QTest::newRow("4500 rows") << 4500;
}

void ExportActionsTest::textFileProgress()
{
    QFETCH(int, rows);
    QTemporaryDir folder;
    Rig rig;
    rig.fill(rows);
    rig.dialogs.saveAnswers = {folder.filePath(QStringLiteral("out.txt"))};
    rig.actions->saveAsText();

    const QString bar = QStringLiteral("Writing file: out.txt");
    QList<double> positions{1, 10, 20};
    QStringList texts{bar, bar, bar};
    const int headStart = rows / 2000;
    for (int r = 1; r <= rows; ++r) {
        positions.append((r + headStart) * 100.0 / rows);
        if (r % 1000 == 0)
            texts.append(bar + QStringLiteral(" (%1)").arg(r));
    }
    positions << 100 << 0;
    texts << QStringLiteral("Done.") << QStringLiteral("Progress Bar");

    QCOMPARE(rig.progress.texts, texts);
    QCOMPARE(rig.progress.positions.size(), positions.size());
    for (qsizetype i = 0; i < positions.size(); ++i)
        QVERIFY2(qFuzzyCompare(rig.progress.positions.at(i) + 1, positions.at(i) + 1), qPrintable(QString::number(i)));
    if (rows == 2000)
        QVERIFY(qFuzzyCompare(rig.progress.positions.at(rig.progress.positions.size() - 3), 100.05));
    QVERIFY(rig.boxes.shown.isEmpty());
}

void ExportActionsTest::barName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("full path") << "/home/me/results.txt"
                               << "results.txt";
    QTest::newRow("no folder") << "results.txt"
                               << "results.txt";
    QTest::newRow("odd name") << "/tmp/100% done"
                              << "100% done";
}

void ExportActionsTest::barName()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(ExportActions::barName(path), name);
}

void ExportActionsTest::textFileMissingFolderShowsOneBox()
{
    QTemporaryDir folder;
    Rig rig;
    rig.fill(3);
    const QString path = folder.filePath(QStringLiteral("missing/out.txt"));
    rig.dialogs.saveAnswers = {path};
    rig.actions->saveAsText();

    QCOMPARE(rig.boxes.shown.size(), 1);
    QVERIFY(rig.boxes.shown.first().warning);
    QCOMPARE(rig.boxes.shown.first().title, ErrorBox::title());
    QVERIFY2(rig.boxes.shown.first().text.contains(ErrorLocations::WriteTextFile + "at line 156"),
             qPrintable(rig.boxes.shown.first().text));
    QVERIFY(QDir(folder.path()).isEmpty());
    QVERIFY(!rig.progress.texts.contains(QStringLiteral("Done.")));
    QCOMPARE(rig.progress.positions.last(), 0.0);
    QCOMPARE(rig.progress.texts.last(), QStringLiteral("Progress Bar"));
    QVERIFY(!rig.state.isBusy());
}

void ExportActionsTest::textFileOverDirectoryShowsOneBox()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("taken")));
    Rig rig;
    rig.fill(3);
    rig.dialogs.saveAnswers = {folder.filePath(QStringLiteral("taken"))};
    rig.actions->saveAsText();

    QCOMPARE(rig.boxes.shown.size(), 1);
    QVERIFY(rig.boxes.shown.first().text.contains(ErrorLocations::WriteTextFile + "at line 156"));
    QVERIFY(QFileInfo(folder.filePath(QStringLiteral("taken"))).isDir());
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"taken"});
    QCOMPARE(rig.progress.texts.last(), QStringLiteral("Progress Bar"));
    QVERIFY(!rig.state.isBusy());
}

void ExportActionsTest::textFileWriteFailureKeepsTheOldFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("keep.txt"));
    const QByteArray old("the results saved last week\r\n");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    Rig rig;
    rig.fill(2000); // far more than the limit below
    rig.dialogs.saveAnswers = {path};
    {
        FileSizeLimit limit(4096);
        QVERIFY(limit.isSet());
        rig.actions->saveAsText();
    }

    QCOMPARE(rig.boxes.shown.size(), 1);
    const QString text = rig.boxes.shown.first().text;
    // The limit hits while lines are written or while the file is closed, depending on buffering.
    const auto stoppedAt = [&](int step) {
        return text.contains(ErrorLocations::WriteTextFile + QStringLiteral("at line %1\r").arg(step));
    };
    QVERIFY2(stoppedAt(ExportActions::WriteTextStep::WriteLines) || stoppedAt(ExportActions::WriteTextStep::CommitFile),
             qPrintable(text));
    QVERIFY2(!text.contains("Unknown error"), qPrintable(text)); // the box names the cause
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"keep.txt"});
    QVERIFY(!rig.progress.texts.contains(QStringLiteral("Done.")));
    QCOMPARE(rig.progress.positions.last(), 0.0);
    QCOMPARE(rig.progress.texts.last(), QStringLiteral("Progress Bar"));
    QVERIFY(!rig.state.isBusy());
}

void ExportActionsTest::clipboardGetsTheRows()
{
    Rig rig;
    rig.fill(4);
    rig.state.applicationTitle = QStringLiteral("Vantrel - office");
    rig.actions->copyToClipboard();

    QCOMPARE(rig.clipboard.sets, 1);
    QCOMPARE(rig.clipboard.content, ClipboardTextWriter::toText(rig.results.snapshot()));
    QVERIFY(rig.clipboard.content.startsWith(QStringLiteral("host-0.example\t192.0.2.7")));
    QCOMPARE(rig.clipboard.content.count(QStringLiteral("\r\n")), 4);
    QCOMPARE(rig.boxes.shown.size(), 1);
    QVERIFY(!rig.boxes.shown.first().warning);
    QCOMPARE(rig.boxes.shown.first().title, QStringLiteral("Vantrel - office"));
    QCOMPARE(rig.boxes.shown.first().text,
             QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where you normally type "
                            "and press Ctrl+V to paste the clipboard."));
}

void ExportActionsTest::clipboardEmptyTableLeftAlone()
{
    Rig rig;
    rig.clipboard.content = QStringLiteral("something copied elsewhere");
    rig.actions->copyToClipboard();
    QCOMPARE(rig.clipboard.sets, 0);
    QCOMPARE(rig.clipboard.content, QStringLiteral("something copied elsewhere"));
    QCOMPARE(rig.boxes.texts(), QStringList{ExportActions::copiedMessage()});
}

void ExportActionsTest::workbookWithoutCalcSaysSoTwice()
{
    Rig rig;
    rig.fill(3);
    rig.spreadsheet.installed = false;
    QSignalSpy busy(&rig.state, &SessionState::busyChanged);
    rig.actions->saveAsWorkbook();
    QCOMPARE(rig.boxes.texts(), (QStringList{ExcelMissingCheck, ExcelMissingFeature}));
    for (const FakeMessageBoxes::Shown& shown : std::as_const(rig.boxes.shown)) {
        QVERIFY(!shown.warning);
        QCOMPARE(shown.title, rig.state.applicationTitle);
    }
    QVERIFY(rig.spreadsheet.opened.isEmpty());
    QCOMPARE(busy.size(), 0);
}

void ExportActionsTest::workbookEmptyTableStopsSilently()
{
    Rig rig;
    QSignalSpy busy(&rig.state, &SessionState::busyChanged);
    rig.actions->saveAsWorkbook();
    QVERIFY(rig.boxes.shown.isEmpty());
    QVERIFY(rig.spreadsheet.opened.isEmpty());
    QCOMPARE(busy.size(), 0);
}

void ExportActionsTest::workbookWrittenAndOpened()
{
    QTemporaryDir temp;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    Rig rig;
    rig.fill(3);
    QSignalSpy busy(&rig.state, &SessionState::busyChanged);
    rig.actions->saveAsWorkbook();
    qputenv("TMPDIR", oldTemp);

    QVERIFY(rig.boxes.shown.isEmpty());
    QCOMPARE(rig.spreadsheet.opened.size(), 1);
    const QFileInfo file(rig.spreadsheet.opened.first());
    QCOMPARE(file.absolutePath(), QDir(temp.path()).absolutePath());
    QVERIFY2(file.fileName().startsWith(QStringLiteral("Vantrel Results-")), qPrintable(file.fileName()));
    QVERIFY(file.fileName().endsWith(QStringLiteral(".xlsx")));
    QVERIFY(file.exists()); // left for Calc to open after the handler is done
    QCOMPARE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1); // nothing else left

    const WorkbookReader book(file.filePath());
    QVERIFY2(book.isValid(), qPrintable(book.error()));
    QCOMPARE(book.cells().value(QStringLiteral("A1")).text, QStringLiteral("Host Name/IP"));
    QCOMPARE(book.cells().value(QStringLiteral("A4")).text, QStringLiteral("host-2.example"));
    QVERIFY(book.cells().value(QStringLiteral("C2")).number); // Succeed Count of the host that answered
    QCOMPARE(book.cells().value(QStringLiteral("C2")).text, QStringLiteral("1"));
    QVERIFY(!book.cells().contains(QStringLiteral("B3"))); // no reply address for the host that failed
    QVERIFY(!book.cells().contains(QStringLiteral("C4"))); // nor counts for the one not pinged yet
    QCOMPARE(busy.size(), 2);
    QVERIFY(!rig.state.isBusy());
}

void ExportActionsTest::workbookFailureShowsOneBox_data()
{
    QTest::addColumn<QString>("tempFolder");
    QTest::newRow("temporary folder missing") << QStringLiteral("missing");
    QTest::newRow("temporary folder is a file") << QStringLiteral("plain-file");
}

void ExportActionsTest::workbookFailureShowsOneBox()
{
    QFETCH(QString, tempFolder);
    QTemporaryDir temp;
    {
        QFile file(temp.filePath(QStringLiteral("plain-file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QStringList rootBefore = QDir::root().entryList(QDir::Files);
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp.filePath(tempFolder)));
    Rig rig;
    rig.fill(3);
    rig.actions->saveAsWorkbook();
    qputenv("TMPDIR", oldTemp);

    QCOMPARE(rig.boxes.shown.size(), 1);
    QVERIFY(rig.boxes.shown.first().warning);
    QVERIFY2(rig.boxes.shown.first().text.contains(ErrorLocations::SaveAsWorkbook + "at line 112"),
             qPrintable(rig.boxes.shown.first().text));
    QVERIFY(rig.spreadsheet.opened.isEmpty());
    QCOMPARE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"plain-file"});
    QCOMPARE(QDir::root().entryList(QDir::Files), rootBefore);
    QVERIFY(!rig.state.isBusy());
}

QTEST_GUILESS_MAIN(ExportActionsTest)
#include "ExportActionsTest.moc"
