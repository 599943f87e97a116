#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class SettingsStore;

// How the user left the window: its geometry, the column widths and the sort of the results table. Kept
// in a group of its own, next to the saved host list but never in its group.
struct WindowSettings {
    QByteArray geometry; // as QWidget::saveGeometry gives it
    QList<int> hostColumnWidths;
    QList<int> resultColumnWidths;
    int sortColumn = -1; // -1: the order the rows were added in
    bool sortDescending = false;

    static QString section() { return QStringLiteral("Window"); }

    static WindowSettings read(const SettingsStore& store);
    // False when the store refused; the window's look is not worth an error box.
    bool write(SettingsStore& store) const;
};
