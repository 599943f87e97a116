#pragma once

#include "ping/PingOptions.h"

#include <QString>

class SettingsStore;

// How the window sends echoes, kept in its own [Ping] group, apart from the saved host list.
class PingSettings
{
public:
    static const QString Section;
    // A missing or unusable value takes its default.
    static PingOptions load(const SettingsStore& store);
    // Throws AppError when the settings cannot be written.
    static void save(const PingOptions& options, SettingsStore& store);
};
