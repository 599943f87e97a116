#pragma once

#include <QString>

// The program's modal message boxes. Each returns once the user has pressed a button.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;

    // A plain box: OK only, no icon.
    virtual void information(const QString& title, const QString& text) = 0;
    // OK only, with the warning (exclamation) icon.
    virtual void warning(const QString& title, const QString& text) = 0;
    // Yes and No, with the question icon; true for Yes. Escape and closing the box are No.
    virtual bool question(const QString& title, const QString& text) = 0;
};
