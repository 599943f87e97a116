#include "hostlist/ListFileReader.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using ListFileReader::parse;

class ListFileReaderTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lineRules_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("CR LF with an empty middle line") << QByteArray("a\r\n\r\nb\r\n") << QStringList{"a", "", "b"};
        QTest::newRow("LF only, ending in LF") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("empty LF line before the end") << QByteArray("a\n\n") << QStringList{"a", ""};
        QTest::newRow("empty LF line inside") << QByteArray("a\n\nb\n") << QStringList{"a", "", "b"};
        QTest::newRow("LF only, no end") << QByteArray("a\nb") << QStringList{"a", "b"};
        QTest::newRow("lone CR") << QByteArray("a\rb") << QStringList{"a", "b"};
        QTest::newRow("lone CR at the end") << QByteArray("a\r") << QStringList{"a"};
        QTest::newRow("two lone CRs") << QByteArray("a\r\rb") << QStringList{"a", "", "b"};
        QTest::newRow("only CR LF") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("only LF") << QByteArray("\n") << QStringList{""};
        QTest::newRow("LF before CR LF") << QByteArray("a\n\r\nb") << QStringList{"a", "", "b"};
        QTest::newRow("comma and spaces kept") << QByteArray(" host1, host2 \t\r\n") << QStringList{" host1, host2 \t"};
        QTest::newRow("no comments, no de-duplication")
            << QByteArray("#x\r\n#x\r\n;y") << QStringList{"#x", "#x", ";y"};
        QTest::newRow("NUL kept") << QByteArray("a\0b\n", 4) << QStringList{QString::fromLatin1("a\0b", 3)};
    }
    void lineRules()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QCOMPARE(parse(bytes), entries);
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("UTF-8") << QByteArray("h\xc3\xb6st\r\n") << QStringList{"höst"};
        QTest::newRow("UTF-8 with mark") << QByteArray("\xef\xbb\xbf"
                                                       "a\r\nb")
                                         << QStringList{"a", "b"};
        QTest::newRow("UTF-16LE with mark") << QByteArray("\xff\xfe"
                                                          "a\0\r\0\n\0\xf6\0",
                                                          10)
                                            << QStringList{"a", "ö"};
        QTest::newRow("UTF-16BE with mark") << QByteArray("\xfe\xff\0a\0\n\0b", 8) << QStringList{"a", "b"};
        QTest::newRow("invalid UTF-8 read as Latin-1") << QByteArray("caf\xe9\r\nb\xff") << QStringList{"café", "bÿ"};
    }
    void encodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QCOMPARE(parse(bytes), entries);
    }

    void randomBytesNeverLoseALine()
    {
        QRandomGenerator random(20261208);
        for (int round = 0; round < 50; ++round) {
            QByteArray bytes(static_cast<int>(random.bounded(1, 4096)), Qt::Uninitialized);
            for (char& b : bytes)
                b = static_cast<char>(random.bounded(256));
            if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff") || bytes.startsWith("\xef\xbb\xbf"))
                continue;
            // Every byte is one Latin-1 character unless the whole file is valid UTF-8.
            const QStringList entries = parse(bytes);
            qsizetype chars = 0;
            for (const QString& e : entries)
                chars += e.size();
            QVERIFY(chars <= bytes.size());
            QVERIFY(!entries.isEmpty());
        }
    }

    void rangesExpandInPlace_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("error");
        QTest::newRow("where it stood") << QByteArray("a\r\n10.0.0.1-3\r\nb\r\n")
                                        << QStringList{"a", "10.0.0.1", "10.0.0.2", "10.0.0.3", "b"} << QString();
        QTest::newRow("first line, empty lines kept")
            << QByteArray("10.0.0.0/31\n\nfd00::/127\n") << QStringList{"10.0.0.0", "10.0.0.1", "", "fd00::", "fd00::1"}
            << QString();
        QTest::newRow("no range: lines as they stand")
            << QByteArray("a-b.example\n10.1.0.0/24x\n 10.0.0.1 \n")
            << QStringList{"a-b.example", "10.1.0.0/24x", " 10.0.0.1 "} << QString();
        QTest::newRow("over the limit refuses the file")
            << QByteArray("a\n\n10.0.0.1-2\n10.0.0.0/8\n") << QStringList()
            << "line 4: 10.0.0.0/8 has 16,777,214 addresses; at most 65,536 can come from one range";
        QTest::newRow("reversed refuses the file")
            << QByteArray("10.0.0.9-1") << QStringList() << "line 1: 10.0.0.9-1: the range ends before it starts";
    }
    void rangesExpandInPlace()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QFETCH(QString, error);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("list.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        const auto read = ListFileReader::readFile(file.fileName());
        QCOMPARE(read.outcome, error.isEmpty() ? ListFileReader::FileResult::Read : ListFileReader::FileResult::Failed);
        QCOMPARE(read.error, error);
        QCOMPARE(read.entries, entries);
    }

    void readFileReportsMissingFiles()
    {
        QTemporaryDir dir;
        const auto missing = ListFileReader::readFile(dir.filePath(QStringLiteral("none.txt")));
        QCOMPARE(missing.outcome, ListFileReader::FileResult::NotFound);

        QFile file(dir.filePath(QStringLiteral("list.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("a\r\nb\r\n");
        file.close();
        const auto read = ListFileReader::readFile(file.fileName());
        QCOMPARE(read.outcome, ListFileReader::FileResult::Read);
        QCOMPARE(read.entries, (QStringList{"a", "b"}));

        const auto folder = ListFileReader::readFile(dir.path());
        QCOMPARE(folder.outcome, ListFileReader::FileResult::Failed);
        QVERIFY(!folder.error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(ListFileReaderTest)
#include "ListFileReaderTest.moc"
