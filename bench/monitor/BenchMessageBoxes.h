#pragma once

#include "platform/MessageBoxes.h"

#include <cstdio>

// A benchmark has no window: any box the program would show goes to stderr, so a run that hit one says so.
class BenchMessageBoxes : public MessageBoxes
{
public:
    void information(const QString& title, const QString& text) override { warning(title, text); }
    void warning(const QString& title, const QString& text) override
    {
        ++m_shown;
        std::fprintf(stderr, "box: %s: %s\n", qPrintable(title), qPrintable(text));
    }
    bool question(const QString& title, const QString& text) override
    {
        warning(title, text);
        return false;
    }
    int shown() const { return m_shown; }

private:
    int m_shown = 0;
};
