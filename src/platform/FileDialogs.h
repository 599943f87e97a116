#pragma once

#include <QString>
#include <QStringList>

// Modal open and save dialogs. Paths come back in full; cancel gives an empty result.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;

    // Several files may be chosen; the first filter is preselected.
    virtual QStringList openFiles(const QString& title, const QStringList& filters) = 0;
    // Asks before an existing file is replaced; the name is used exactly as given.
    virtual QString saveFile(const QString& title, const QStringList& filters) = 0;
};
