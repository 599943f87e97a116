#pragma once

#include "platform/Clipboard.h"

class FakeClipboard : public Clipboard
{
public:
    void setText(const QString& text) override
    {
        content = text;
        ++sets;
    }
    QString text() const override { return content; }
    QString content;
    int sets = 0;
};
