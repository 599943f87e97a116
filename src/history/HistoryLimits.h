#pragma once

#include <QtGlobal>

class SettingsStore;

// How much history is kept: outcomes per host, and the most all histories together may take. With many
// hosts each keeps fewer outcomes so that the budget holds.
struct HistoryLimits {
    static constexpr int DefaultOutcomesPerHost = 1000;
    static constexpr int MaxOutcomesPerHost = 1000000;
    static constexpr qint64 DefaultBudgetMb = 256;
    static constexpr qint64 MaxBudgetMb = 65536;

    int outcomesPerHost = DefaultOutcomesPerHost;
    qint64 budgetBytes = DefaultBudgetMb * 1024 * 1024;

    // The [History] group of the settings: OutcomesPerHost and MemoryBudgetMB. Values that are not whole
    // numbers in range fall back to the defaults.
    static HistoryLimits load(const SettingsStore& settings);
};
