#pragma once

#include "platform/Clipboard.h"

class QtClipboard : public Clipboard
{
public:
    void setText(const QString& text) override;
    QString text() const override;
};
