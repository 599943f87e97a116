#pragma once

#include "platform/InputBox.h"

#include <QStringList>

// Answers each prompt with the next scripted text; the empty text stands for Cancel.
class FakeInputBox : public InputBox
{
public:
    QString getText(const QString& title, const QString& prompt) override
    {
        lastTitle = title;
        lastPrompt = prompt;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QStringList answers;
    QString lastTitle;
    QString lastPrompt;
};
