#include "export/WorkbookWriter.h"

#include "results/ResultsModel.h"
#include "tests/export/WorkbookReader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// Twelve columns as the results table has them: a host with "=", an empty cell in the middle of a row,
// numbers, and "=" wherever a text could carry one. The last row has texts in number columns but no numbers
// behind them, as a snapshot made by hand can.
ResultsSnapshot sample()
{
    const std::optional<qint64> none;
    ResultsSnapshot s;
    s.headers = ResultsModel::captions();
    s.kinds = ResultsModel::kinds();
    s.rows.append({"=host=1", "192.0.2.7", "5", "1", "16.67%", "Success", "23", "57", "21", "", "2024-05-01 10:00:00",
                   "2024-05-01 09:59:00"});
    s.numbers.append({none, none, 5, 1, none, none, 23, 57, 21, none, none, none});
    s.rows.append({"two", "", "", "3", "100.00%", "Request=Timed Out", "", "", "", "", "", "=2024-05-01 10:01:00"});
    s.numbers.append({none, none, none, 3, none, none, none, none, none, none, none, none});
    s.rows.append({"three", "a=b", "=7", "x", "", "", "12.5", "", "", "", "", ""});
    return s;
}

} // namespace

class WorkbookWriterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void readBack_data();
    void readBack();
    void emptyCellsStayBlank();
    void columnsAreFitted();
    void replacesAnExistingFileAndFailsCleanly();
    void deviceLayerWritesTheSameWorkbook();

private:
    QTemporaryDir m_folder;
    QString m_path;
};

void WorkbookWriterTest::initTestCase()
{
    QVERIFY(m_folder.isValid());
    m_path = m_folder.filePath(QStringLiteral("sample.xlsx"));
    WorkbookWriter writer;
    QVERIFY2(writer.writeFile(sample(), m_path), qPrintable(writer.errorString()));
}

void WorkbookWriterTest::readBack_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<bool>("number");
    QTest::addColumn<QString>("text");

    const QStringList captions = ResultsModel::captions();
    const QString letters = QStringLiteral("ABCDEFGHIJKL");
    for (int c = 0; c < captions.size(); ++c)
        QTest::addRow("header %s", qPrintable(captions.at(c))) << letters.mid(c, 1) + "1" << false << captions.at(c);

    QTest::newRow("host keeps its =") << "A2" << false << "=host=1";
    QTest::newRow("address as text") << "B2" << false << "192.0.2.7";
    QTest::newRow("succeed count as number") << "C2" << true << "5";
    QTest::newRow("failed count as number") << "D2" << true << "1";
    QTest::newRow("percent as text") << "E2" << false << "16.67%";
    QTest::newRow("status as text") << "F2" << false << "Success";
    QTest::newRow("last time as number") << "G2" << true << "23";
    QTest::newRow("ttl as number") << "H2" << true << "57";
    QTest::newRow("average as number") << "I2" << true << "21";
    QTest::newRow("succeed on as text") << "K2" << false << "2024-05-01 10:00:00";
    QTest::newRow("= removed from status") << "F3" << false << "RequestTimed Out";
    QTest::newRow("= removed from failed on") << "L3" << false << "2024-05-01 10:01:00";
    QTest::newRow("failed count under its header") << "D3" << true << "3";
    QTest::newRow("= removed from address") << "B4" << false << "ab";
    QTest::newRow("count without a number: text, = removed") << "C4" << false << "7";
    QTest::newRow("count without a number stays text") << "D4" << false << "x";
    QTest::newRow("time without a number stays text") << "G4" << false << "12.5";
}

void WorkbookWriterTest::readBack()
{
    QFETCH(QString, cell);
    QFETCH(bool, number);
    QFETCH(QString, text);
    const WorkbookReader book(m_path);
    QVERIFY2(book.isValid(), qPrintable(book.error()));
    QVERIFY2(book.cells().contains(cell), qPrintable(cell));
    QCOMPARE(book.cells().value(cell).number, number);
    QCOMPARE(book.cells().value(cell).text, text);
}

void WorkbookWriterTest::emptyCellsStayBlank()
{
    const WorkbookReader book(m_path);
    QVERIFY2(book.isValid(), qPrintable(book.error()));
    for (const char* blank : {"J2", "B3", "C3", "G3", "H3", "I3", "J3", "K3", "E4", "F4", "H4", "L4", "A5"})
        QVERIFY2(!book.cells().contains(QLatin1String(blank)), blank);
    QCOMPARE(book.cells().size(), 12 + 11 + 5 + 5);
}

void WorkbookWriterTest::columnsAreFitted()
{
    const WorkbookReader book(m_path);
    QVERIFY2(book.isValid(), qPrintable(book.error()));
    QCOMPARE(book.columnWidths().size(), 12);
    const QStringList captions = ResultsModel::captions();
    for (int c = 1; c <= 12; ++c) {
        // Every column is at least as wide as its header; the date columns as their dates.
        QVERIFY(book.columnWidths().value(c) >= captions.at(c - 1).size());
    }
    QVERIFY(book.columnWidths().value(11) >= QStringLiteral("2024-05-01 10:00:00").size());
    QVERIFY(book.columnWidths().value(1) < book.columnWidths().value(9)); // "Host Name/IP" vs "Average Ping ..."
    QCOMPARE(WorkbookWriter::fittedWidth(1000), 255.0);
}

void WorkbookWriterTest::replacesAnExistingFileAndFailsCleanly()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("r.xlsx"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    WorkbookWriter writer;
    QVERIFY(writer.writeFile(sample(), path));
    QVERIFY(WorkbookReader(path).cells().contains(QStringLiteral("A2")));

    const QString missing = folder.filePath(QStringLiteral("missing/r.xlsx"));
    QVERIFY(!writer.writeFile(sample(), missing));
    QVERIFY(writer.errorString().contains(missing));
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"r.xlsx"});
}

void WorkbookWriterTest::deviceLayerWritesTheSameWorkbook()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    WorkbookWriter writer;
    QVERIFY(writer.write(sample(), buffer));
    QVERIFY(bytes.startsWith("PK"));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("copy.xlsx"));
    QFile copy(path);
    QVERIFY(copy.open(QIODevice::WriteOnly));
    copy.write(bytes);
    copy.close();
    const WorkbookReader book(path);
    QVERIFY2(book.isValid(), qPrintable(book.error()));
    QCOMPARE(book.cells().value(QStringLiteral("C4")).text, QStringLiteral("7"));
}

QTEST_GUILESS_MAIN(WorkbookWriterTest)
#include "WorkbookWriterTest.moc"
