#pragma once

#include "platform/SettingsStore.h"

// Keeps each application's settings in "<folder>/<application>.conf", an INI file with one group per
// section. The folder is the user's configuration folder unless a test names another.
class IniSettingsStore : public SettingsStore
{
public:
    explicit IniSettingsStore(QString folder = defaultFolder());

    // $XDG_CONFIG_HOME, else ~/.config.
    static QString defaultFolder();
    QString filePath(const QString& application) const;

    QString value(const QString& application, const QString& section, const QString& key,
                  const QString& fallback) const override;
    void setValue(const QString& application, const QString& section, const QString& key,
                  const QString& value) override;

private:
    QString m_folder;
};
