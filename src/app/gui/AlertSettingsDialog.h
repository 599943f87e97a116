#pragma once

#include "alerts/AlertSettings.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

// The thresholds of the host states, desktop notifications on or off, and the on-change command.
class AlertSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AlertSettingsDialog(const AlertSettings& settings, QWidget* parent = nullptr);

    AlertSettings settings() const;

private:
    AlertSettings m_initial;
    QSpinBox* m_downAfter;
    QSpinBox* m_upAfter;
    QCheckBox* m_notify;
    QLineEdit* m_onChange;
    QSpinBox* m_keepDays;
    QDoubleSpinBox* m_degradedRtt;
    QDoubleSpinBox* m_degradedLoss;
    QSpinBox* m_degradedRounds;
    QSpinBox* m_flapChanges;
    QSpinBox* m_flapMinutes;
    QLineEdit* m_alertmanagers;
};
