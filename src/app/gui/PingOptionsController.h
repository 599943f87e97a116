#pragma once

#include "ping/PingOptions.h"

#include <QObject>
#include <QPointer>

class MainWindow;
class MessageBoxes;
class PingOptionsDialog;
class QAction;
class SettingsStore;

// The window's "Ping Options…": an entry of the results table's context menu (Ctrl+Shift+P) that opens the
// dialog, keeps what the user accepts in the [Ping] settings and says so to whoever sends the echoes.
class PingOptionsController : public QObject
{
    Q_OBJECT
public:
    PingOptionsController(MainWindow& window, SettingsStore& settings, MessageBoxes& messageBoxes,
                          QObject* parent = nullptr);

    // As saved when the program started, then as last accepted.
    const PingOptions& options() const { return m_options; }
    QAction* action() const { return m_action; }
    // Opens the dialog, window-modal, and returns at once.
    void showDialog();

Q_SIGNALS:
    // The user accepted options that differ from the ones before.
    void optionsChanged(const PingOptions& options);

private:
    MainWindow& m_window;
    SettingsStore& m_settings;
    MessageBoxes& m_messageBoxes;
    PingOptions m_options;
    QAction* m_action;
    QPointer<PingOptionsDialog> m_dialog;
};
