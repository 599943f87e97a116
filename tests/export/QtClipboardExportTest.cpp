#include "core/ErrorBox.h"
#include "core/SessionState.h"
#include "export/ExportActions.h"
#include "platform/widgets/QtClipboard.h"
#include "results/ResultsModel.h"
#include "tests/fakes/FakeFileDialogs.h"
#include "tests/fakes/FakeMessageBoxes.h"
#include "tests/fakes/FakeProgressSink.h"
#include "tests/fakes/FakeSpreadsheetLauncher.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

// The copy through the real clipboard of the offscreen platform.
class QtClipboardExportTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void copyReachesTheClipboard();
};

void QtClipboardExportTest::copyReachesTheClipboard()
{
    ResultsModel results;
    results.setLocale(QLocale::c());
    results.appendRow(1, QStringLiteral("192.0.2.7"));
    results.appendRow(2, QStringLiteral("höst.example"));
    SessionState state;
    FakeMessageBoxes boxes;
    ErrorBox errorBox(boxes);
    FakeFileDialogs dialogs;
    QtClipboard clipboard;
    FakeSpreadsheetLauncher spreadsheet;
    FakeProgressSink progress;
    ExportActions actions(results, state, errorBox, boxes, dialogs, clipboard, spreadsheet, progress);

    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    actions.copyToClipboard();
    // Rows not pinged yet: only the host column holds text; the empty columns are 0 wide but keep their TABs.
    const QString tabs(11, QLatin1Char('\t'));
    const QString expected = QStringLiteral("192.0.2.7   ") + tabs + QStringLiteral("\r\n") +
                             QStringLiteral("höst.example") + tabs + QStringLiteral("\r\n");
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    QCOMPARE(boxes.texts(), QStringList{ExportActions::copiedMessage()});

    results.clear();
    actions.copyToClipboard();
    QCOMPARE(QGuiApplication::clipboard()->text(), expected); // an empty table leaves it alone
}

QTEST_MAIN(QtClipboardExportTest)
#include "QtClipboardExportTest.moc"
