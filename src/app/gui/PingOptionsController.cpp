#include "app/gui/PingOptionsController.h"

#include "app/gui/MainWindow.h"
#include "app/gui/PingOptionsDialog.h"
#include "monitor/PingSettings.h"
#include "platform/AppError.h"
#include "platform/MessageBoxes.h"

#include <QAction>

PingOptionsController::PingOptionsController(MainWindow& window, SettingsStore& settings, MessageBoxes& messageBoxes,
                                             QObject* parent)
    : QObject(parent), m_window(window), m_settings(settings), m_messageBoxes(messageBoxes),
      m_options(PingSettings::load(settings)), m_action(new QAction(QStringLiteral("Ping Options…"), this))
{
    m_action->setObjectName(QStringLiteral("pingOptionsAction"));
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    m_action->setShortcutContext(Qt::WindowShortcut);
    connect(m_action, &QAction::triggered, this, &PingOptionsController::showDialog);
    window.addResultsAction(m_action);
}

void PingOptionsController::showDialog()
{
    if (m_dialog) {
        m_dialog->raise();
        return;
    }
    m_dialog = new PingOptionsDialog(m_options, m_messageBoxes, &m_window);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &QDialog::accepted, this, [this] {
        const PingOptions chosen = m_dialog->options();
        const bool changed = chosen != m_options;
        m_options = chosen;
        // The options hold for this run even when they cannot be kept.
        try {
            PingSettings::save(chosen, m_settings);
        } catch (const AppError& e) {
            m_messageBoxes.warning(QStringLiteral("Ping Options"), e.description());
        }
        if (changed)
            Q_EMIT optionsChanged(chosen);
    });
    m_dialog->open(); // window-modal without a nested event loop
}
