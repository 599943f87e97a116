#pragma once

#include "platform/SpreadsheetLauncher.h"

#include <QStringList>

class FakeSpreadsheetLauncher : public SpreadsheetLauncher
{
public:
    bool isInstalled() const override { return installed; }
    bool openAsNewDocument(const QString& path) override
    {
        opened.append(path);
        return true;
    }
    bool installed = true;
    QStringList opened;
};
