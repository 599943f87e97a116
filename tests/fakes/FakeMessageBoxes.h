#pragma once

#include "platform/MessageBoxes.h"

#include <QList>

// Records every box instead of showing it. Questions take the scripted answers in turn; with none left, No.
class FakeMessageBoxes : public MessageBoxes
{
public:
    struct Shown {
        bool warning;
        QString title;
        QString text;
        bool question;
    };
    void information(const QString& title, const QString& text) override { shown.append({false, title, text, false}); }
    void warning(const QString& title, const QString& text) override { shown.append({true, title, text, false}); }
    bool question(const QString& title, const QString& text) override
    {
        shown.append({false, title, text, true});
        return !answers.isEmpty() && answers.takeFirst();
    }
    QStringList texts() const
    {
        QStringList result;
        for (const Shown& s : shown)
            result.append(s.text);
        return result;
    }
    QList<Shown> shown;
    QList<bool> answers;
};
