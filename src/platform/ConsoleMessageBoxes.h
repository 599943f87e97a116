#pragma once

#include "MessageBoxes.h"

#include <cstdio>

// Message boxes for the headless mode: each text becomes one line on standard error.
class ConsoleMessageBoxes : public MessageBoxes {
public:
    void information(const QString&, const QString& text) override { print(text); }
    void warning(const QString&, const QString& text) override { print(text); }

private:
    static void print(QString text)
    {
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\r'), QLatin1Char(' '));
        std::fprintf(stderr, "vantrel: %s\n", text.simplified().toLocal8Bit().constData());
        std::fflush(stderr);
    }
};
