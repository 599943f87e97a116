#include "history/HistoryLimits.h"

#include "core/AppTexts.h"
#include "platform/SettingsStore.h"

namespace
{
qint64 number(const SettingsStore& settings, const char* key, qint64 fallback, qint64 min, qint64 max)
{
    const QString text =
        settings.value(AppTexts::SettingsApplication, QStringLiteral("History"), QString::fromLatin1(key), QString());
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok && value >= min && value <= max ? value : fallback;
}
} // namespace

HistoryLimits HistoryLimits::load(const SettingsStore& settings)
{
    HistoryLimits limits;
    limits.outcomesPerHost =
        static_cast<int>(number(settings, "OutcomesPerHost", DefaultOutcomesPerHost, 1, MaxOutcomesPerHost));
    limits.budgetBytes = number(settings, "MemoryBudgetMB", DefaultBudgetMb, 1, MaxBudgetMb) * 1024 * 1024;
    return limits;
}
