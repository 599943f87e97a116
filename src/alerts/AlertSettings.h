#pragma once

#include "results/HostState.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

class SettingsStore;

// The alert settings, kept in their own [Alerts] group, apart from the saved host list; the parent hosts in a
// [Parent Hosts] group of their own.
struct AlertSettings {
    StateThresholds thresholds;
    bool notify = true;
    QString onChange; // the hook command; empty: none
    int keepDays = 90;
    double degradedRttMs = 0;       // 0: not judged
    double degradedLossPercent = 0; // 0: not judged
    int degradedRounds = 5;
    int flapChanges = 6;
    int flapMinutes = 10;
    QStringList alertmanagers;                  // base addresses
    QList<std::pair<QString, QString>> parents; // child and parent host texts, in the order set

    // The parents as a dependency file's text, one "CHILD PARENT" line each.
    QString dependencyText() const;
    // The child's parents, in order.
    QStringList parentsOf(const QString& child) const;
    // Replaces the child's parents; none removes them.
    void setParents(const QString& child, const QStringList& parents);

    static const QString Section;
    static const QString ParentsSection;
    // Missing or unusable values take their defaults.
    static AlertSettings load(const SettingsStore& store);
    // Throws AppError when the settings cannot be written.
    void save(SettingsStore& store) const;
};
