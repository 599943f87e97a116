#pragma once

#include "platform/FileDialogs.h"

#include <QList>

// Answers each dialog with the next scripted choice; an empty choice stands for Cancel.
class FakeFileDialogs : public FileDialogs
{
public:
    QStringList openFiles(const QString& title, const QStringList& filters) override
    {
        lastTitle = title;
        lastFilters = filters;
        return openAnswers.isEmpty() ? QStringList() : openAnswers.takeFirst();
    }
    QString saveFile(const QString& title, const QStringList& filters) override
    {
        lastTitle = title;
        lastFilters = filters;
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    QList<QStringList> openAnswers;
    QStringList saveAnswers;
    QString lastTitle;
    QStringList lastFilters;
};
