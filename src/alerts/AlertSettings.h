#pragma once

#include "results/HostState.h"

#include <QString>

class SettingsStore;

// The alert settings, kept in their own [Alerts] group, apart from the saved host list.
struct AlertSettings {
    StateThresholds thresholds;
    bool notify = true;
    QString onChange; // the hook command; empty: none
    int keepDays = 90;

    static const QString Section;
    // Missing or unusable values take their defaults.
    static AlertSettings load(const SettingsStore& store);
    // Throws AppError when the settings cannot be written.
    void save(SettingsStore& store) const;
};
