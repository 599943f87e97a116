#pragma once

#include "platform/AppError.h"
#include "platform/SettingsStore.h"

#include <QMap>

class FakeSettingsStore : public SettingsStore
{
public:
    QString value(const QString& application, const QString& section, const QString& key,
                  const QString& fallback) const override
    {
        return values.value(application + u'/' + section + u'/' + key, fallback);
    }
    void setValue(const QString& application, const QString& section, const QString& key, const QString& value) override
    {
        if (failWrites)
            throw AppError(QStringLiteral("Cannot write the settings file"));
        values.insert(application + u'/' + section + u'/' + key, value);
        ++writes;
    }
    QMap<QString, QString> values;
    int writes = 0;
    bool failWrites = false;
};
