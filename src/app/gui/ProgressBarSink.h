#pragma once

#include "platform/ProgressSink.h"

#include <QProgressBar>
#include <QtMath>

// The window's progress bar as the exports drive it.
class ProgressBarSink : public ProgressSink
{
public:
    explicit ProgressBarSink(QProgressBar& bar) : m_bar(bar) {}
    // Tables of 2000 rows and more reach 100.05 on their last rows; the bar stops at 100.
    void setPosition(double percent) override { m_bar.setValue(qBound(0, qFloor(percent), 100)); }
    // The bar reads %p, %v and %m in its format; a file name may hold any of them.
    void setText(const QString& text) override
    {
        m_bar.setFormat(QString(text).replace(QLatin1Char('%'), QStringLiteral("%%")));
    }

private:
    QProgressBar& m_bar;
};
