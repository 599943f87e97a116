#include "export/ClipboardTextWriter.h"

#include <QBuffer>
#include <QTest>

class ClipboardTextWriterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void text_data();
    void text();
    void deviceGetsUtf8();
};

void ClipboardTextWriterTest::text_data()
{
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QString>("expected");

    const QStringList twoColumns{QStringLiteral("Host Name/IP"), QStringLiteral("Succeed Count")};
    QTest::newRow("worked example") << twoColumns << QList<QStringList>{{"192.0.2.7", "5"}, {"192.0.2.10", "12"}}
                                    << QStringLiteral("192.0.2.7 \t5\r\n192.0.2.10\t12\r\n");
    QTest::newRow("empty table") << twoColumns << QList<QStringList>() << QString();
    QTest::newRow("headers do not widen columns")
        << QStringList{"A very long header", "B"} << QList<QStringList>{{"x", "1"}, {"yy", "2"}}
        << QStringLiteral("x \t1\r\nyy\t2\r\n");
    QTest::newRow("all-empty column is 0 wide")
        << QStringList{"A", "B", "C"} << QList<QStringList>{{"a", "", "c"}, {"aa", "", "cc"}}
        << QStringLiteral("a \t\tc\r\naa\t\tcc\r\n");
    QTest::newRow("trailing blanks in the last column are dropped")
        << QStringList{"A", "B"} << QList<QStringList>{{"a", "b   "}, {"aa", "  "}}
        << QStringLiteral("a \tb\r\naa\t\r\n");
    QTest::newRow("empty last cell keeps its TAB")
        << QStringList{"A", "B"} << QList<QStringList>{{"a", ""}, {"aaa", "b"}}
        << QStringLiteral("a  \t\r\naaa\tb\r\n");
    QTest::newRow("single column trims its blanks")
        << QStringList{"A"} << QList<QStringList>{{"a  "}, {" b"}} << QStringLiteral("a\r\n b\r\n");
    QTest::newRow("a TAB at the end is not removed")
        << QStringList{"A"} << QList<QStringList>{{"a\t "}} << QStringLiteral("a\t\r\n");
    QTest::newRow("non-ASCII widths count characters")
        << twoColumns
        << QList<QStringList>{{QStringLiteral("höst"), "1"}, {QStringLiteral("東京"), "2"}, {"abcde", "3"}}
        << QStringLiteral("höst \t1\r\n東京   \t2\r\nabcde\t3\r\n");
}

void ClipboardTextWriterTest::text()
{
    QFETCH(QStringList, headers);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QString, expected);
    QCOMPARE(ClipboardTextWriter::toText({headers, rows}), expected);
}

void ClipboardTextWriterTest::deviceGetsUtf8()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(ClipboardTextWriter::write({{"H"}, {{QStringLiteral("höst")}}}, buffer));
    QCOMPARE(bytes, QStringLiteral("höst\r\n").toUtf8());
}

QTEST_GUILESS_MAIN(ClipboardTextWriterTest)
#include "ClipboardTextWriterTest.moc"
