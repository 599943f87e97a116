#include "app/gui/PingOptionsController.h"

#include "app/gui/MainWindow.h"
#include "app/gui/PingOptionsDialog.h"
#include "tests/app/gui/WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeView>
#include <QtTest>
#include <memory>

namespace
{
struct Fixture : WindowFixture {
    std::unique_ptr<PingOptionsController> controller;
    QList<PingOptions> changes;

    // A start of the program: a window and its controller over the settings kept so far.
    PingOptionsController& start()
    {
        controller.reset();
        makeWindow();
        controller = std::make_unique<PingOptionsController>(*window, settings, boxes);
        QObject::connect(controller.get(), &PingOptionsController::optionsChanged,
                         [this](const PingOptions& options) { changes.append(options); });
        return *controller;
    }
    PingOptionsDialog* open()
    {
        controller->action()->trigger();
        return window->findChild<PingOptionsDialog*>();
    }
    template <typename T> T* field(PingOptionsDialog* dialog, const char* name)
    {
        return dialog->findChild<T*>(QLatin1String(name));
    }
    static void press(PingOptionsDialog* dialog, QDialogButtonBox::StandardButton button)
    {
        dialog->findChild<QDialogButtonBox*>()->button(button)->click();
    }
    QMap<QString, QString> keysOf(const QString& group) const
    {
        QMap<QString, QString> kept;
        for (auto it = settings.values.begin(); it != settings.values.end(); ++it)
            if (it.key().startsWith(QStringLiteral("Corvexa/") + group + u'/'))
                kept.insert(it.key(), it.value());
        return kept;
    }
};
} // namespace

class PingOptionsControllerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void acceptedOptionsAreKeptInTheirGroupAndRestored()
    {
        Fixture f;
        f.settings.values.insert(QStringLiteral("Corvexa/Vantrel/IP Addresses"), QStringLiteral("a.lab;b.lab"));
        PingOptionsController& controller = f.start();
        auto* view = f.window->findChild<QTreeView*>(QStringLiteral("resultsView"));
        QVERIFY(view->actions().contains(controller.action()));
        QCOMPARE(controller.action()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+P")));
        QVERIFY(controller.options().isDefault());
        const QMap<QString, QString> vantrel = f.keysOf(QStringLiteral("Vantrel"));

        PingOptionsDialog* dialog = f.open();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        for (const char* name : {"count", "interval"})
            QVERIFY(f.field<QSpinBox>(dialog, name)->isEnabled());
        f.field<QSpinBox>(dialog, "timeout")->setValue(1500);
        f.field<QSpinBox>(dialog, "count")->setValue(3);
        f.field<QSpinBox>(dialog, "interval")->setValue(250);
        f.field<QSpinBox>(dialog, "size")->setValue(1472);
        f.field<QCheckBox>(dialog, "dontFragment")->setChecked(true);
        f.field<QSpinBox>(dialog, "ttl")->setValue(64);
        for (const char* name : {"source", "interface"})
            QVERIFY(f.field<QLineEdit>(dialog, name)->isEnabled());
        f.field<QLineEdit>(dialog, "source")->setText(QStringLiteral(" 127.0.0.1 "));
        f.field<QLineEdit>(dialog, "interface")->setText(QStringLiteral("lo"));
        f.field<QSpinBox>(dialog, "rate")->setValue(100);
        Fixture::press(dialog, QDialogButtonBox::Ok);
        QTRY_VERIFY(!f.window->findChild<PingOptionsDialog*>());

        PingOptions expected;
        expected.timeoutMs = 1500;
        expected.count = 3;
        expected.intervalMs = 250;
        expected.payloadBytes = 1472;
        expected.dontFragment = true;
        expected.ttl = 64;
        expected.source = QStringLiteral("127.0.0.1");
        expected.interface = QStringLiteral("lo");
        expected.ratePps = 100;
        QCOMPARE(f.changes, QList<PingOptions>{expected});
        QCOMPARE(controller.options(), expected);
        const QMap<QString, QString> ping = f.keysOf(QStringLiteral("Ping"));
        QCOMPARE(ping.value(QStringLiteral("Corvexa/Ping/TimeoutMs")), QStringLiteral("1500"));
        QCOMPARE(ping.value(QStringLiteral("Corvexa/Ping/Count")), QStringLiteral("3"));
        QCOMPARE(ping.value(QStringLiteral("Corvexa/Ping/IntervalMs")), QStringLiteral("250"));
        QCOMPARE(f.keysOf(QStringLiteral("Vantrel")), vantrel);
        QVERIFY(f.boxes.shown.isEmpty());

        // The next start reads them back, and the dialog shows them.
        PingOptionsController& next = f.start();
        QCOMPARE(next.options(), expected);
        PingOptionsDialog* again = f.open();
        QCOMPARE(again->options(), expected);
        Fixture::press(again, QDialogButtonBox::Ok); // unchanged: nothing to say
        QCOMPARE(f.changes.size(), 1);
    }

    void optionalValuesShowTheirDefaults()
    {
        Fixture f;
        f.settings.values.insert(QStringLiteral("Corvexa/Ping/TimeoutMs"), QStringLiteral("fast")); // unusable
        f.settings.values.insert(QStringLiteral("Corvexa/Ping/Ttl"), QStringLiteral("30"));
        f.settings.values.insert(QStringLiteral("Corvexa/Ping/Count"), QStringLiteral("101")); // out of range
        f.settings.values.insert(QStringLiteral("Corvexa/Ping/IntervalMs"), QStringLiteral("0"));
        f.start();
        PingOptionsDialog* dialog = f.open();
        QCOMPARE(f.field<QSpinBox>(dialog, "timeout")->value(), 200);
        QCOMPARE(f.field<QSpinBox>(dialog, "count")->value(), 1);
        QCOMPARE(f.field<QSpinBox>(dialog, "interval")->value(), 10);
        // Typing cannot leave the ranges either.
        auto* count = f.field<QSpinBox>(dialog, "count");
        count->selectAll();
        QTest::keyClicks(count, QStringLiteral("101"));
        QCOMPARE(count->value(), 10);
        QCOMPARE(std::pair(count->minimum(), count->maximum()), std::pair(1, 100));
        auto* interval = f.field<QSpinBox>(dialog, "interval");
        QCOMPARE(std::pair(interval->minimum(), interval->maximum()), std::pair(1, 60000));
        QCOMPARE(f.field<QSpinBox>(dialog, "ttl")->value(), 30);
        for (const char* name : {"size", "rate"}) {
            auto* box = f.field<QSpinBox>(dialog, name);
            QCOMPARE(box->text(), box->specialValueText());
        }
        Fixture::press(dialog, QDialogButtonBox::RestoreDefaults);
        QVERIFY(dialog->options().isDefault());
        QCOMPARE(f.field<QSpinBox>(dialog, "ttl")->text(), f.field<QSpinBox>(dialog, "ttl")->specialValueText());
    }

    void unusableValuesAreRefusedWithTheirRange_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const QString address = QStringLiteral("The source address must be an IPv4 or IPv6 address, such as 192.0.2.1 "
                                               "or 2001:db8::1, or empty for the system's choice.");
        const QString interface = QStringLiteral("The interface must be a name of 1 to 15 characters without spaces, / "
                                                 "or :, or empty for any.");
        QTest::newRow("a name for the source") << "source"
                                               << "router.lab" << address;
        QTest::newRow("source out of range") << "source"
                                             << "192.0.2.300" << address;
        QTest::newRow("interface with a space") << "interface"
                                                << "eth 0" << interface;
        QTest::newRow("interface with a slash") << "interface"
                                                << "a/b" << interface;
        // Well formed, but not this machine's (192.0.2.0/24 is for documentation only).
        QTest::newRow("an address this machine lacks")
            << "source"
            << "192.0.2.7"
            << "This machine has no address 192.0.2.7: give one of its own addresses as the source, or none for the "
               "system's choice.";
        QTest::newRow("an interface this machine lacks")
            << "interface"
            << "nosuch0"
            << "This machine has no interface nosuch0: give one of its own, or none for any.";
    }
    void unusableValuesAreRefusedWithTheirRange()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        Fixture f;
        PingOptionsController& controller = f.start();
        const int writes = f.settings.writes;
        PingOptionsDialog* dialog = f.open();
        f.field<QSpinBox>(dialog, "timeout")->setValue(900);
        f.field<QLineEdit>(dialog, qPrintable(field))->setText(text);
        Fixture::press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(f.boxes.shown.size(), 1);
        QVERIFY(f.boxes.shown.at(0).warning);
        QCOMPARE(f.boxes.shown.at(0).text, message);
        QVERIFY(dialog->isVisible()); // to be put right, or cancelled
        Fixture::press(dialog, QDialogButtonBox::Cancel);
        QTRY_VERIFY(!f.window->findChild<PingOptionsDialog*>());
        QVERIFY(controller.options().isDefault());
        QVERIFY(f.changes.isEmpty());
        QCOMPARE(f.settings.writes, writes);
    }

    void unwritableSettingsOneMessageOptionsStillHold()
    {
        Fixture f;
        PingOptionsController& controller = f.start();
        f.settings.failWrites = true;
        PingOptionsDialog* dialog = f.open();
        f.field<QSpinBox>(dialog, "count")->setValue(4);
        Fixture::press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("Cannot write the settings file")});
        QCOMPARE(controller.options().count, 4);
        QCOMPARE(f.changes.size(), 1);
    }
};

QTEST_MAIN(PingOptionsControllerTest)
#include "PingOptionsControllerTest.moc"
