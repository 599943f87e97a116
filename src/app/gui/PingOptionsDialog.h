#pragma once

#include "ping/PingOptions.h"

#include <QDialog>

class MessageBoxes;
class QCheckBox;
class QLineEdit;
class QSpinBox;

// How echoes are sent: timeout, echoes per round and their interval, payload size, don't-fragment, TTL, source
// address, interface and rate. OK keeps the dialog open with a message while a value is unusable.
class PingOptionsDialog : public QDialog
{
    Q_OBJECT
public:
    PingOptionsDialog(const PingOptions& options, MessageBoxes& messageBoxes, QWidget* parent = nullptr);

    PingOptions options() const;
    void accept() override;

private:
    void fill(const PingOptions& options);

    MessageBoxes& m_messageBoxes;
    QSpinBox* m_timeout;
    QSpinBox* m_count;
    QSpinBox* m_interval;
    QSpinBox* m_size; // its lowest value stands for the default
    QCheckBox* m_dontFragment;
    QSpinBox* m_ttl; // likewise
    QLineEdit* m_source;
    QLineEdit* m_interface;
    QSpinBox* m_rate; // likewise
};
