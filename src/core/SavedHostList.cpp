#include "core/SavedHostList.h"

#include "core/AppTexts.h"
#include "platform/SettingsStore.h"

namespace SavedHostList
{

QString join(const QStringList& hosts)
{
    return hosts.join(QLatin1Char(';'));
}

QStringList split(const QString& saved)
{
    if (saved.isEmpty())
        return {};
    return saved.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

QString read(const SettingsStore& store)
{
    return store.value(AppTexts::SettingsApplication, AppTexts::SettingsSection, AppTexts::SettingsKey, QString());
}

void write(SettingsStore& store, const QString& joined)
{
    store.setValue(AppTexts::SettingsApplication, AppTexts::SettingsSection, AppTexts::SettingsKey, joined);
}

} // namespace SavedHostList
