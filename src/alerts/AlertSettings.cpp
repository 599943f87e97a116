#include "alerts/AlertSettings.h"

#include "core/AppTexts.h"
#include "platform/SettingsStore.h"

#include <algorithm>

const QString AlertSettings::Section = QStringLiteral("Alerts");
const QString AlertSettings::ParentsSection = QStringLiteral("Parent Hosts");

namespace
{

int number(const SettingsStore& store, const char* key, int fallback, int low, int high)
{
    bool ok = false;
    const int n =
        store.value(AppTexts::SettingsApplication, AlertSettings::Section, QLatin1String(key), QString()).toInt(&ok);
    return ok && n >= low && n <= high ? n : fallback;
}

double decimal(const SettingsStore& store, const char* key, double high)
{
    bool ok = false;
    const double n =
        store.value(AppTexts::SettingsApplication, AlertSettings::Section, QLatin1String(key), QString()).toDouble(&ok);
    return ok && n > 0 && n <= high ? n : 0;
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
    s.degradedRttMs = decimal(store, "DegradedRttMs", 60000);
    s.degradedLossPercent = decimal(store, "DegradedLossPercent", 100);
    s.degradedRounds = number(store, "DegradedRounds", s.degradedRounds, 1, 100);
    s.flapChanges = number(store, "FlapChanges", s.flapChanges, 2, 1000);
    s.flapMinutes = number(store, "FlapMinutes", s.flapMinutes, 1, 1440);
    s.alertmanagers = store.value(AppTexts::SettingsApplication, Section, QStringLiteral("Alertmanagers"), QString())
                          .split(u' ', Qt::SkipEmptyParts);
    bool ok = false;
    const int count =
        store.value(AppTexts::SettingsApplication, ParentsSection, QStringLiteral("Count"), QString()).toInt(&ok);
    for (int i = 1; ok && i <= std::min(count, 100000); ++i) {
        const QStringList words =
            store.value(AppTexts::SettingsApplication, ParentsSection, QString::number(i), QString())
                .split(u' ', Qt::SkipEmptyParts);
        if (words.size() == 2)
            s.parents.append({words[0], words[1]});
    }
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
    store.setValue(app, Section, QStringLiteral("DegradedRttMs"), QString::number(degradedRttMs));
    store.setValue(app, Section, QStringLiteral("DegradedLossPercent"), QString::number(degradedLossPercent));
    store.setValue(app, Section, QStringLiteral("DegradedRounds"), QString::number(degradedRounds));
    store.setValue(app, Section, QStringLiteral("FlapChanges"), QString::number(flapChanges));
    store.setValue(app, Section, QStringLiteral("FlapMinutes"), QString::number(flapMinutes));
    store.setValue(app, Section, QStringLiteral("Alertmanagers"), alertmanagers.join(u' '));
    for (qsizetype i = 0; i < parents.size(); ++i)
        store.setValue(app, ParentsSection, QString::number(i + 1), parents[i].first + u' ' + parents[i].second);
    store.setValue(app, ParentsSection, QStringLiteral("Count"), QString::number(parents.size()));
}

QString AlertSettings::dependencyText() const
{
    QString text;
    for (const auto& [child, parent] : parents)
        text += child + u' ' + parent + u'\n';
    return text;
}

QStringList AlertSettings::parentsOf(const QString& child) const
{
    QStringList out;
    for (const auto& [c, parent] : parents) {
        if (c == child)
            out << parent;
    }
    return out;
}

void AlertSettings::setParents(const QString& child, const QStringList& newParents)
{
    parents.removeIf([&](const auto& p) { return p.first == child; });
    for (const QString& parent : newParents)
        parents.append({child, parent});
}
