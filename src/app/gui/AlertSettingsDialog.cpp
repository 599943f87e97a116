#include "app/gui/AlertSettingsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

AlertSettingsDialog::AlertSettingsDialog(const AlertSettings& settings, QWidget* parent)
    : QDialog(parent), m_initial(settings)
{
    setObjectName(QStringLiteral("alertSettings"));
    setWindowTitle(QStringLiteral("Alert Settings"));
    auto spin = [this](const char* name, int low, int high, int value, const char* suffix) {
        auto* box = new QSpinBox(this);
        box->setObjectName(QLatin1String(name));
        box->setRange(low, high);
        box->setValue(value);
        box->setSuffix(QString::fromUtf8(suffix));
        return box;
    };
    m_downAfter = spin("downAfter", 1, 1000, settings.thresholds.downAfter, " failed rounds in a row");
    m_upAfter = spin("upAfter", 1, 1000, settings.thresholds.upAfter, " answered rounds in a row");
    m_keepDays = spin("keepDays", 1, 36500, settings.keepDays, " days");
    m_notify = new QCheckBox(QStringLiteral("Show a desktop notification when a host goes down or comes back"), this);
    m_notify->setObjectName(QStringLiteral("notify"));
    m_notify->setChecked(settings.notify);
    m_onChange = new QLineEdit(settings.onChange, this);
    m_onChange->setObjectName(QStringLiteral("onChange"));
    m_onChange->setPlaceholderText(
        QStringLiteral("none; e.g. sh -c 'echo \"$VANTREL_HOST $VANTREL_STATE\" >>~/hosts.log'"));
    m_onChange->setToolTip(
        QStringLiteral("Runs for every change, without a shell unless you name one, with VANTREL_HOST, VANTREL_STATE,\n"
                       "VANTREL_SINCE, VANTREL_DURATION_S and VANTREL_STATUS set. At most 4 run at once; each is\n"
                       "stopped after 30 seconds."));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Down after:"), m_downAfter);
    form->addRow(QStringLiteral("Up after:"), m_upAfter);
    form->addRow(QString(), m_notify);
    form->addRow(QStringLiteral("On change run:"), m_onChange);
    form->addRow(QStringLiteral("Keep the log for:"), m_keepDays);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(560);
}

AlertSettings AlertSettingsDialog::settings() const
{
    AlertSettings s = m_initial;
    s.thresholds = {m_downAfter->value(), m_upAfter->value()};
    s.notify = m_notify->isChecked();
    s.onChange = m_onChange->text().trimmed();
    s.keepDays = m_keepDays->value();
    return s;
}
