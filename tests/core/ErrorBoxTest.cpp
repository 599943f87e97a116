#include "core/ErrorBox.h"

#include "core/ErrorLocations.h"
#include "core/GuardedProcedure.h"
#include "platform/AppError.h"
#include "tests/fakes/FakeMessageBoxes.h"

#include <QtTest>

class ErrorBoxTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Users quote these in reports: each must stay as the program has always printed it.
    void locationTextsAreByteExact_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("text");
        const QList<std::pair<QString, const char*>> rows = {
            {ErrorLocations::StartUp, "Form1.Form_Load"},
            {ErrorLocations::SaveHostList, "Form1.Form_QueryUnload"},
            {ErrorLocations::AddHost, "Form1.PushButton6_Click"},
            {ErrorLocations::ClearList, "Form1.PushButton1_Click"},
            {ErrorLocations::LoadSampleData, "Form1.PushButton7_Click"},
            {ErrorLocations::LoadListFiles, "Form1.PushButton3_Click"},
            {ErrorLocations::StartOrStop, "Form1.PushButton17_Click"},
            {ErrorLocations::ClearResults, "Form1.PushButton2_Click"},
            {ErrorLocations::RecordOutcome, "Form1.Timer1_Timer"},
            {ErrorLocations::SaveAsText, "Form1.PushButton4_Click"},
            {ErrorLocations::WriteTextFile, "Main.SaveListviewProperlySpaced"},
            {ErrorLocations::CopyToClipboard, "Form1.PushButton5_Click"},
            {ErrorLocations::SaveAsWorkbook, "Form1.PushButton13_Click"},
        };
        for (const auto& [location, name] : rows)
            QTest::newRow(name) << location << QStringLiteral("in Vantrel2021/08/31.%1 ").arg(QLatin1String(name));
    }
    void locationTextsAreByteExact()
    {
        QFETCH(QString, location);
        QFETCH(QString, text);
        QCOMPARE(location, text);
    }

    void messageTextIsByteExact()
    {
        const QString text = ErrorBox::messageText(QStringLiteral("Overflow"), ErrorLocations::RecordOutcome, 154);
        QCOMPARE(text, QStringLiteral("Overflow\r\nin Vantrel2021/08/31.Form1.Timer1_Timer at line 154\r\r"
                                      "Please email screenshot of this message to support@corvexa.com"));
        // Four lines: description, location with line, an empty line, the support line.
        QCOMPARE(text.split(QRegularExpression(QStringLiteral("\r\n|\r"))).size(), 4);
    }

    void boxIsAWarningTitledApplicationError()
    {
        FakeMessageBoxes boxes;
        ErrorBox box(boxes);
        box.show(QStringLiteral("d"), QStringLiteral("in x "), 100);
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown.first().warning);
        QCOMPARE(boxes.shown.first().title, QStringLiteral("Application Error"));
    }

    void failingStepReportsItsNumberAndLaterStepsStillRun()
    {
        FakeMessageBoxes boxes;
        ErrorBox box(boxes);
        GuardedProcedure g(box, ErrorLocations::StartUp);
        QStringList ran;
        QVERIFY(g.step(100, [&] { ran << QStringLiteral("100"); }));
        QVERIFY(!g.step(102, [&] {
            throw AppError(QStringLiteral("Cannot read"));
            ran << QStringLiteral("never");
        }));
        QVERIFY(!g.step(104, [&] { throw std::runtime_error("std failure"); }));
        QVERIFY(g.step(106, [&] { ran << QStringLiteral("106"); }));
        QCOMPARE(ran, (QStringList{QStringLiteral("100"), QStringLiteral("106")}));
        QCOMPARE(boxes.texts(),
                 (QStringList{ErrorBox::messageText(QStringLiteral("Cannot read"), ErrorLocations::StartUp, 102),
                              ErrorBox::messageText(QStringLiteral("std failure"), ErrorLocations::StartUp, 104)}));
        QCOMPARE(g.failures(), 2);
    }

    void failureBeforeTheFirstStepReportsLineZero()
    {
        FakeMessageBoxes boxes;
        ErrorBox box(boxes);
        GuardedProcedure g(box, ErrorLocations::AddHost);
        g.run([] { throw 42; });
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown.first().text.contains(ErrorLocations::AddHost + QStringLiteral("at line 0\r\r")));
    }

    void reachedNumberInsideALoopIsReported()
    {
        FakeMessageBoxes boxes;
        ErrorBox box(boxes);
        GuardedProcedure g(box, QStringLiteral("in p "));
        g.step(124, [&] {
            g.reach(134);
            throw AppError(QStringLiteral("x"));
        });
        QVERIFY(boxes.shown.first().text.contains(QStringLiteral("at line 134")));
    }
};

QTEST_GUILESS_MAIN(ErrorBoxTest)
#include "ErrorBoxTest.moc"
