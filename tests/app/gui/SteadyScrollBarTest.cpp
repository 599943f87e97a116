// The results' scroll bar repaints when its picture changes, and only then: a move too small to shift the
// slider by a pixel leaves it alone.

#include "app/gui/SteadyScrollBar.h"

#include <QPaintEvent>
#include <QtTest>

namespace
{

class PaintCount : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_paints;
        return false;
    }
    int m_paints = 0;
};

} // namespace

class SteadyScrollBarTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void repaintsOnlyWhenItLooksDifferent_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<bool>("repaints");
        // 10,000 rows in a bar of a hundred pixels: a hundred rows to the pixel.
        QTest::newRow("one row down") << 5000 << 5001 << 10000 << false;
        QTest::newRow("a tenth down") << 5000 << 6000 << 10000 << true;
        QTest::newRow("onto the top") << 1 << 0 << 10000 << true;
        QTest::newRow("off the bottom") << 10000 << 9999 << 10000 << true;
        QTest::newRow("range halved") << 5000 << 5000 << 5000 << true;
    }
    void repaintsOnlyWhenItLooksDifferent()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, maximum);
        QFETCH(bool, repaints);
        SteadyScrollBar bar(Qt::Vertical);
        bar.setRange(0, 10000);
        bar.setPageStep(6);
        bar.setValue(from);
        bar.resize(16, 100);
        PaintCount count;
        bar.installEventFilter(&count);
        bar.show();
        QTRY_VERIFY_WITH_TIMEOUT(count.m_paints > 0, 5000);
        QTest::qWait(20);
        count.m_paints = 0;

        bar.setRange(0, maximum);
        bar.setValue(to);
        QTest::qWait(50);
        QCOMPARE(count.m_paints > 0, repaints);
    }
};

QTEST_MAIN(SteadyScrollBarTest)
#include "SteadyScrollBarTest.moc"
