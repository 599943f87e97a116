// Times the three results exports on a table of 10,000 hosts (12 columns, cells as a busy session shows
// them). Prints figures only; nothing here passes or fails.
//
//     export_bench [DIR]
//
// With DIR, the outputs stay there as results.txt, clipboard.txt (the clipboard text as UTF-8) and
// results.xlsx, so that two builds can be compared file by file.

#include "core/ErrorBox.h"
#include "core/SessionState.h"
#include "export/AlignedTextWriter.h"
#include "export/ClipboardTextWriter.h"
#include "export/ExportActions.h"
#include "export/WorkbookWriter.h"
#include "platform/LocalTimeZone.h"
#include "results/ResultsModel.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeFileDialogs.h"
#include "tests/fakes/FakeMessageBoxes.h"
#include "tests/fakes/FakeProgressSink.h"
#include "tests/fakes/FakeSpreadsheetLauncher.h"
#include "tests/fakes/ResultsFeed.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace
{

constexpr int Rows = 10000;
constexpr int Runs = 5;

void fill(ResultsModel& results)
{
    results.setLocale(QLocale::c());
    const QDateTime start(QDate(2024, 5, 1), QTime(9, 0, 0));
    for (int i = 0; i < Rows; ++i) {
        const QString host = i % 4 == 0 ? QStringLiteral("192.0.%1.%2").arg(i / 250).arg(i % 250)
                                        : QStringLiteral("server-%1.branch%2.example.com").arg(i).arg(i % 37);
        const quint64 row = results.appendRow(static_cast<quint64>(i + 1), host);
        for (int round = 0; round < 8; ++round) {
            const QDateTime when = start.addSecs(round * 60 + i % 60);
            if ((i + round) % 7 == 0)
                ResultsFeed::failure(results.table(), row, 11010, when);
            else
                ResultsFeed::success(results.table(), row,
                                     IpAddress::fromIpv4(0xC0000200u + static_cast<quint32>(i % 250)),
                                     static_cast<quint32>(5 + (i * 7 + round) % 180), 57, when);
        }
    }
}

// Runs the body Runs times and prints the fastest and the median time.
void report(const char* what, const std::function<void()>& body)
{
    QList<double> ms;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        body();
        ms.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-58s min %8.1f ms   median %8.1f ms\n", what, ms.first(), ms.at(Runs / 2));
}

} // namespace

int main(int argc, char** argv)
{
    LocalTimeZone::readOnce(); // as the program does: the zone file is read once, not on every time shown
    QCoreApplication app(argc, argv);
    ResultsModel results;
    fill(results);
    const ResultsSnapshot snapshot = results.snapshot();
    QTemporaryDir temporary;
    const QStringList arguments = QCoreApplication::arguments();
    const QDir folder(arguments.size() > 1 ? arguments.at(1) : temporary.path());
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder.path()));
        return 2;
    }
    const QString textPath = folder.filePath(QStringLiteral("results.txt"));
    const QString clipboardPath = folder.filePath(QStringLiteral("clipboard.txt"));
    const QString workbookPath = folder.filePath(QStringLiteral("results.xlsx"));

    std::printf("%d rows x %d columns, best and median of %d runs\n", Rows, static_cast<int>(snapshot.headers.size()),
                Runs);
    report("snapshot of the results table", [&] { (void)results.snapshot(); });
    report("text file: AlignedTextWriter::writeFile", [&] {
        AlignedTextWriter writer;
        if (!writer.writeFile(snapshot, textPath))
            std::printf("  failed: %s\n", qPrintable(writer.errorString()));
    });

    SessionState state;
    FakeMessageBoxes boxes;
    ErrorBox errorBox(boxes);
    FakeFileDialogs dialogs;
    FakeClipboard clipboard;
    FakeSpreadsheetLauncher spreadsheet;
    FakeProgressSink progress;
    ExportActions actions(results, state, errorBox, boxes, dialogs, clipboard, spreadsheet, progress);
    report("text file: handler (snapshot, progress, file)", [&] {
        progress.positions.clear();
        progress.texts.clear();
        actions.writeTextFile(textPath);
    });
    report("clipboard text: ClipboardTextWriter::toText", [&] { (void)ClipboardTextWriter::toText(snapshot); });
    report("clipboard text: handler (snapshot, text, fake clipboard)", [&] { actions.copyRows(); });
    report("workbook: WorkbookWriter::writeFile", [&] {
        WorkbookWriter writer;
        if (!writer.writeFile(snapshot, workbookPath))
            std::printf("  failed: %s\n", qPrintable(writer.errorString()));
    });
    QFile clipboardFile(clipboardPath);
    if (!clipboardFile.open(QIODevice::WriteOnly) || clipboardFile.write(clipboard.content.toUtf8()) < 0)
        std::printf("  cannot write %s\n", qPrintable(clipboardPath));
    clipboardFile.close();
    std::printf("sizes: text file %lld bytes, clipboard %lld characters, workbook %lld bytes\n",
                static_cast<long long>(QFileInfo(textPath).size()), static_cast<long long>(clipboard.content.size()),
                static_cast<long long>(QFileInfo(workbookPath).size()));
    return boxes.shown.isEmpty() ? 0 : 1;
}
