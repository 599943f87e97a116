#pragma once

#include <QString>

// Per-user settings addressed by application name, section and key.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // The stored text, or fallback when it is absent or cannot be read.
    virtual QString value(const QString& application, const QString& section, const QString& key,
                          const QString& fallback) const = 0;
    // Throws AppError when the value cannot be stored.
    virtual void setValue(const QString& application, const QString& section, const QString& key,
                          const QString& value) = 0;
};
