#include "ErrorBox.h"

#include "AppError.h"
#include "AppTexts.h"
#include "FakeMessageBoxes.h"
#include "GuardedProcedure.h"

#include <QtTest>

class ErrorBoxTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void messageTextIsByteExact()
    {
        const QString text =
            ErrorBox::messageText(QStringLiteral("Overflow"), AppTexts::location("Form1", "Timer1_Timer"), 154);
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
        GuardedProcedure g(box, AppTexts::location("Form1", "Form_Load"));
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
                 (QStringList{ErrorBox::messageText(QStringLiteral("Cannot read"),
                                                    QStringLiteral("in Vantrel2021/08/31.Form1.Form_Load "), 102),
                              ErrorBox::messageText(QStringLiteral("std failure"),
                                                    QStringLiteral("in Vantrel2021/08/31.Form1.Form_Load "), 104)}));
        QCOMPARE(g.failures(), 2);
    }

    void failureBeforeTheFirstStepReportsLineZero()
    {
        FakeMessageBoxes boxes;
        ErrorBox box(boxes);
        GuardedProcedure g(box, QStringLiteral("in Vantrel2021/08/31.Form1.PushButton6_Click "));
        g.run([] { throw 42; });
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown.first().text.contains(QStringLiteral("PushButton6_Click at line 0\r\r")));
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
