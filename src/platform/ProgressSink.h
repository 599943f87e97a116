#pragma once

#include <QString>

// A progress bar as the exports use it: a position from 0 to 100 and a one-line text.
class ProgressSink
{
public:
    virtual ~ProgressSink() = default;
    virtual void setPosition(double percent) = 0;
    virtual void setText(const QString& text) = 0;
};
