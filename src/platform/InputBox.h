#pragma once

#include <QString>

// A modal one-line text input box. Cancel gives the empty text, as OK on an empty field does.
class InputBox
{
public:
    virtual ~InputBox() = default;
    virtual QString getText(const QString& title, const QString& prompt) = 0;
};
