#include "core/SavedHostList.h"

#include "core/HostListAutosave.h"
#include "core/HostListModel.h"
#include "platform/AppError.h"
#include "platform/IniSettingsStore.h"

#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

namespace
{
QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
} // namespace

class SavedHostListTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void split_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QStringList>("hosts");
        QTest::newRow("first run") << QString() << QStringList();
        QTest::newRow("one host") << QStringLiteral("a") << QStringList{"a"};
        QTest::newRow("empty pieces and a trailing separator")
            << QStringLiteral(";a;;b c ;") << QStringList{"a", "b c "};
        QTest::newRow("only separators") << QStringLiteral(";;;") << QStringList();
    }
    void split()
    {
        QFETCH(QString, saved);
        QFETCH(QStringList, hosts);
        QCOMPARE(SavedHostList::split(saved), hosts);
    }

    void join()
    {
        QCOMPARE(SavedHostList::join({}), QString());
        QCOMPARE(SavedHostList::join({"a"}), QStringLiteral("a"));
        QCOMPARE(SavedHostList::join({"a", "10.0.0.1"}), QStringLiteral("a;10.0.0.1"));
    }

    // Texts that an INI file could misread: comment marks, quotes, commas, escapes, non-ASCII.
    void storeRoundTripsAnyText_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("two hosts") << QStringLiteral("a;10.0.0.1");
        QTest::newRow("comma and spaces") << QStringLiteral(" a, b ;c");
        QTest::newRow("comment marks") << QStringLiteral("#a;;b=c");
        QTest::newRow("quotes and backslashes") << QStringLiteral("\"x\"\\\\y\\");
        QTest::newRow("non-ASCII") << QStringLiteral("höst;例え.jp");
        QTest::newRow("@ prefix") << QStringLiteral("@Variant(x)");
    }
    void storeRoundTripsAnyText()
    {
        QFETCH(QString, value);
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        SavedHostList::write(store, value);
        QCOMPARE(SavedHostList::read(IniSettingsStore(dir.path())), value);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("Corvexa.conf"))));
    }

    void fileKeepsTheGroupAndKey()
    {
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        SavedHostList::write(store, QStringLiteral("a;b"));
        QFile file(dir.filePath(QStringLiteral("Corvexa.conf")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QCOMPARE(text, QByteArray("[Vantrel]\nIP%20Addresses=\"a;b\"\n"));
    }

    void autosaveWritesTheFileAfterTheDelay()
    {
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        HostListModel hosts;
        HostListAutosave autosave(hosts, store);
        autosave.setDelay(20);
        hosts.append(QStringList{"a", "", "b;c"});
        QVERIFY(autosave.isPending());
        const QString path = store.filePath(QStringLiteral("Corvexa"));
        QVERIFY(!QFile::exists(path));
        QTRY_VERIFY(QFile::exists(path));

        // Byte for byte what saving on closing writes.
        QTemporaryDir other;
        IniSettingsStore closing(other.path());
        SavedHostList::write(closing, SavedHostList::join(hosts.texts()));
        QCOMPARE(bytesOf(path), bytesOf(closing.filePath(QStringLiteral("Corvexa"))));
    }

    // The file is replaced whole: when writing fails part way, the old file stays as it was.
    void failedWriteLeavesTheOldFileWhole()
    {
        QTemporaryDir dir;
        IniSettingsStore store(dir.path());
        SavedHostList::write(store, QStringLiteral("old;hosts"));
        const QString path = store.filePath(QStringLiteral("Corvexa"));
        const QByteArray before = bytesOf(path);

        // A file size limit cuts the write short, even for root; without the signal the write just fails.
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &previous) == 0);
        rlimit small = previous;
        small.rlim_cur = static_cast<rlim_t>(before.size() + 16);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        bool threw = false;
        try {
            SavedHostList::write(store, QString(100000, QLatin1Char('x')));
        } catch (const AppError&) {
            threw = true;
        }
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
        QVERIFY(threw);
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Corvexa.conf"});

        // And the quiet autosave tries again with the next change.
        HostListModel hosts;
        HostListAutosave autosave(hosts, store);
        hosts.append(QStringLiteral("new"));
        QVERIFY(autosave.saveNow());
        QCOMPARE(SavedHostList::read(store), QStringLiteral("new"));
    }

    void missingOrDamagedFileGivesAnEmptyList()
    {
        QTemporaryDir dir;
        QCOMPARE(SavedHostList::read(IniSettingsStore(dir.path())), QString());

        QFile file(dir.filePath(QStringLiteral("Corvexa.conf")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\x00\xff[[[\n=\x01garbage", 16));
        file.close();
        QCOMPARE(SavedHostList::read(IniSettingsStore(dir.path())), QString());
        // Saving over a damaged file still works.
        IniSettingsStore store(dir.path());
        SavedHostList::write(store, QStringLiteral("x"));
        QCOMPARE(SavedHostList::read(store), QStringLiteral("x"));
    }

    void unreadableFileGivesAnEmptyList()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Corvexa.conf"))); // a folder where the file should be
        QCOMPARE(SavedHostList::read(IniSettingsStore(dir.path())), QString());
    }

    void unwritableFolderThrows()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        IniSettingsStore store(dir.filePath(QStringLiteral("not-a-folder/sub")));
        QVERIFY_THROWS_EXCEPTION(AppError, SavedHostList::write(store, QStringLiteral("a")));
    }

    void configFolderFollowsXdg()
    {
        qputenv("XDG_CONFIG_HOME", "/tmp/vantrel-xdg");
        QCOMPARE(IniSettingsStore::defaultFolder(), QStringLiteral("/tmp/vantrel-xdg"));
        qputenv("XDG_CONFIG_HOME", "relative/ignored");
        QCOMPARE(IniSettingsStore::defaultFolder(), QDir::homePath() + QStringLiteral("/.config"));
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(IniSettingsStore::defaultFolder(), QDir::homePath() + QStringLiteral("/.config"));
    }
};

QTEST_GUILESS_MAIN(SavedHostListTest)
#include "SavedHostListTest.moc"
