#pragma once

#include "platform/MessageBoxes.h"

#include <QList>

// Records every box instead of showing it.
class FakeMessageBoxes : public MessageBoxes
{
public:
    struct Shown {
        bool warning;
        QString title;
        QString text;
    };
    void information(const QString& title, const QString& text) override { shown.append({false, title, text}); }
    void warning(const QString& title, const QString& text) override { shown.append({true, title, text}); }
    QStringList texts() const
    {
        QStringList result;
        for (const Shown& s : shown)
            result.append(s.text);
        return result;
    }
    QList<Shown> shown;
};
