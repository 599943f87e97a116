#pragma once

#include "platform/MessageBoxes.h"

#include <cstdio>

// Message boxes for the headless mode: each text becomes one line on standard error.
class ConsoleMessageBoxes : public MessageBoxes
{
public:
    explicit ConsoleMessageBoxes(const char* program = "vantrel") : m_program(program) {}
    void information(const QString&, const QString& text) override { print(text); }
    void warning(const QString&, const QString& text) override { print(text); }
    // Nobody is there to answer, so nothing is done that was not asked for on the command line.
    bool question(const QString&, const QString& text) override
    {
        print(text + QStringLiteral(" No."));
        return false;
    }

private:
    void print(QString text) const
    {
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\r'), QLatin1Char(' '));
        std::fprintf(stderr, "%s: %s\n", m_program, text.simplified().toLocal8Bit().constData());
        std::fflush(stderr);
    }
    const char* m_program;
};
