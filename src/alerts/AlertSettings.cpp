#include "alerts/AlertSettings.h"

#include "core/AppTexts.h"
#include "platform/SettingsStore.h"

const QString AlertSettings::Section = QStringLiteral("Alerts");

namespace
{

int number(const SettingsStore& store, const char* key, int fallback, int low, int high)
{
    bool ok = false;
    const int n =
        store.value(AppTexts::SettingsApplication, AlertSettings::Section, QLatin1String(key), QString()).toInt(&ok);
    return ok && n >= low && n <= high ? n : fallback;
}

} // namespace

AlertSettings AlertSettings::load(const SettingsStore& store)
{
    AlertSettings s;
    s.thresholds.downAfter = number(store, "DownAfter", s.thresholds.downAfter, 1, 1000);
    s.thresholds.upAfter = number(store, "UpAfter", s.thresholds.upAfter, 1, 1000);
    s.keepDays = number(store, "KeepDays", s.keepDays, 1, 36500);
    s.notify = store.value(AppTexts::SettingsApplication, Section, QStringLiteral("Notify"), QStringLiteral("1")) !=
               QLatin1String("0");
    s.onChange = store.value(AppTexts::SettingsApplication, Section, QStringLiteral("OnChange"), QString());
    return s;
}

void AlertSettings::save(SettingsStore& store) const
{
    const QString& app = AppTexts::SettingsApplication;
    store.setValue(app, Section, QStringLiteral("DownAfter"), QString::number(thresholds.downAfter));
    store.setValue(app, Section, QStringLiteral("UpAfter"), QString::number(thresholds.upAfter));
    store.setValue(app, Section, QStringLiteral("KeepDays"), QString::number(keepDays));
    store.setValue(app, Section, QStringLiteral("Notify"), notify ? QStringLiteral("1") : QStringLiteral("0"));
    store.setValue(app, Section, QStringLiteral("OnChange"), onChange);
}
