#pragma once

#include "platform/ProgressSink.h"

#include <QList>
#include <QStringList>

class FakeProgressSink : public ProgressSink
{
public:
    void setPosition(double percent) override { positions.append(percent); }
    void setText(const QString& text) override { texts.append(text); }
    QList<double> positions;
    QStringList texts;
};
