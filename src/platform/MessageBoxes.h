#pragma once

#include <QString>

// The program's modal message boxes. Each returns once the user has pressed OK.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;

    // A plain box: OK only, no icon.
    virtual void information(const QString& title, const QString& text) = 0;
    // OK only, with the warning (exclamation) icon.
    virtual void warning(const QString& title, const QString& text) = 0;
};
