#pragma once

#include <QString>

// The desktop's spreadsheet application (LibreOffice Calc on Linux).
class SpreadsheetLauncher
{
public:
    virtual ~SpreadsheetLauncher() = default;
    virtual bool isInstalled() const = 0;
    // Opens the workbook as a new, unsaved document and returns without waiting for the application.
    virtual bool openAsNewDocument(const QString& path) = 0;
};
