#include "export/AlignedTextWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace
{

ResultsSnapshot workedExample()
{
    return {{QStringLiteral("Host Name/IP"), QStringLiteral("Succeed Count")},
            {{QStringLiteral("192.0.2.7"), QStringLiteral("5")}, {QStringLiteral("192.0.2.10"), QStringLiteral("12")}}};
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class AlignedTextWriterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void bytes_data();
    void bytes();
    void fileHoldsTheSameBytes();
    void linesAreReportedInOrder();
    void replacesAnExistingFile();
    void missingFolderFailsAtOpen();
    void directoryFailsAtOpenAndStays();
    void refusingDeviceFailsAtWrite();
};

void AlignedTextWriterTest::bytes_data()
{
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QByteArray>("expected");

    const ResultsSnapshot example = workedExample();
    QTest::newRow("worked example") << example.headers << example.rows
                                    << QByteArray("Host Name/IP\tSucceed Count\t\r\n"
                                                  "192.0.2.7   \t5            \t\r\n"
                                                  "192.0.2.10  \t12           \t\r\n");
    QTest::newRow("empty table: header line only")
        << example.headers << QList<QStringList>() << QByteArray("Host Name/IP\tSucceed Count\t\r\n");
    QTest::newRow("empty cell: width-many blanks and a TAB")
        << QStringList{"A", "B"} << QList<QStringList>{{"", "x"}, {"wide", ""}}
        << QByteArray("A   \tB\t\r\n"
                      "    \tx\t\r\n"
                      "wide\t \t\r\n");
    QTest::newRow("header wider than every cell")
        << QStringList{"Last Ping Status", "TTL"} << QList<QStringList>{{"OK", "64"}}
        << QByteArray("Last Ping Status\tTTL\t\r\n"
                      "OK              \t64 \t\r\n");
    QTest::newRow("no columns") << QStringList() << QList<QStringList>{{}} << QByteArray("\r\n\r\n");
    QTest::newRow("trailing blanks of a cell are kept")
        << QStringList{"H"} << QList<QStringList>{{"a  "}} << QByteArray("H  \t\r\na  \t\r\n");
    QTest::newRow("TAB and line break pass through") << QStringList{"H", "I"} << QList<QStringList>{{"a\tb", "c\r\nd"}}
                                                     << QByteArray("H  \tI   \t\r\na\tb\tc\r\nd\t\r\n");
    QTest::newRow("non-ASCII widths count characters")
        << QStringList{"Host"} << QList<QStringList>{{QStringLiteral("höst")}, {QStringLiteral("東京サーバー")}}
        << QByteArray("Host  \t\r\n") + QStringLiteral("höst  \t\r\n").toUtf8() +
               QStringLiteral("東京サーバー\t\r\n").toUtf8();
    QTest::newRow("a character outside the BMP counts once")
        << QStringList{"Ho"} << QList<QStringList>{{QStringLiteral("\U0001F600")}}
        << QByteArray("Ho\t\r\n") + QStringLiteral("\U0001F600 \t\r\n").toUtf8();
}

void AlignedTextWriterTest::bytes()
{
    QFETCH(QStringList, headers);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QByteArray, expected);
    AlignedTextWriter writer;
    QCOMPARE(writer.toByteArray({headers, rows}), expected);
    QCOMPARE(writer.failure(), AlignedTextWriter::Failure::None);
}

void AlignedTextWriterTest::fileHoldsTheSameBytes()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("results")); // no extension is added
    AlignedTextWriter writer;
    QVERIFY(writer.writeFile(workedExample(), path));
    QCOMPARE(readAll(path), AlignedTextWriter().toByteArray(workedExample()));
    QVERIFY(!readAll(path).startsWith("\xEF\xBB\xBF"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"results"});
}

void AlignedTextWriterTest::linesAreReportedInOrder()
{
    QList<int> reported;
    AlignedTextWriter writer;
    writer.setLineWritten([&](int row) { reported.append(row); });
    writer.toByteArray(workedExample());
    QCOMPARE(reported, (QList<int>{0, 1, 2}));
}

void AlignedTextWriterTest::replacesAnExistingFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("r.txt"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'o'));
    old.close();
    AlignedTextWriter writer;
    QVERIFY(writer.writeFile(workedExample(), path));
    QCOMPARE(readAll(path), AlignedTextWriter().toByteArray(workedExample()));
}

void AlignedTextWriterTest::missingFolderFailsAtOpen()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("missing/r.txt"));
    AlignedTextWriter writer;
    QVERIFY(!writer.writeFile(workedExample(), path));
    QCOMPARE(writer.failure(), AlignedTextWriter::Failure::Open);
    QVERIFY(writer.errorString().contains(path));
    QVERIFY(!QFile::exists(path));
    QVERIFY(QDir(folder.path()).isEmpty());
}

void AlignedTextWriterTest::directoryFailsAtOpenAndStays()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("sub"));
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("sub")));
    AlignedTextWriter writer;
    QVERIFY(!writer.writeFile(workedExample(), path));
    QCOMPARE(writer.failure(), AlignedTextWriter::Failure::Open);
    QVERIFY(QFileInfo(path).isDir());
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"sub"});
}

void AlignedTextWriterTest::refusingDeviceFailsAtWrite()
{
    QBuffer readOnly;
    QVERIFY(readOnly.open(QIODevice::ReadOnly));
    AlignedTextWriter writer;
    QVERIFY(!writer.write(workedExample(), readOnly));
    QCOMPARE(writer.failure(), AlignedTextWriter::Failure::Write);
}

QTEST_GUILESS_MAIN(AlignedTextWriterTest)
#include "AlignedTextWriterTest.moc"
