#pragma once

#include "platform/SpreadsheetLauncher.h"

// LibreOffice Calc, found on the PATH as soffice, libreoffice or localc.
class CalcLauncher : public SpreadsheetLauncher
{
public:
    bool isInstalled() const override;
    bool openAsNewDocument(const QString& path) override;

private:
    QString program() const;
};
