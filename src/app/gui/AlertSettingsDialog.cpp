#include "app/gui/AlertSettingsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QUrl>
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

    auto decimal = [this](const char* name, double high, double value, const char* suffix) {
        auto* box = new QDoubleSpinBox(this);
        box->setObjectName(QLatin1String(name));
        box->setRange(0, high);
        box->setDecimals(1);
        box->setSpecialValueText(QStringLiteral("off"));
        box->setValue(value);
        box->setSuffix(QString::fromUtf8(suffix));
        return box;
    };
    m_degradedRtt = decimal("degradedRtt", 60000, settings.degradedRttMs, " ms mean round trip");
    m_degradedLoss = decimal("degradedLoss", 100, settings.degradedLossPercent, " % loss");
    m_degradedRounds = spin("degradedRounds", 1, 100, settings.degradedRounds, " rounds");
    m_flapChanges = spin("flapChanges", 2, 1000, settings.flapChanges, " changes");
    m_flapMinutes = spin("flapMinutes", 1, 1440, settings.flapMinutes, " minutes");
    m_alertmanagers = new QLineEdit(settings.alertmanagers.join(u' '), this);
    m_alertmanagers->setObjectName(QStringLiteral("alertmanagers"));
    m_alertmanagers->setPlaceholderText(QStringLiteral("none; e.g. http://127.0.0.1:9093"));
    m_alertmanagers->setToolTip(
        QStringLiteral("Hosts down or degraded are posted to these Alertmanagers (separated by "
                       "blanks),\nneither silenced nor flapping, and resolved when they are up."));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Down after:"), m_downAfter);
    form->addRow(QStringLiteral("Up after:"), m_upAfter);
    form->addRow(QString(), m_notify);
    form->addRow(QStringLiteral("On change run:"), m_onChange);
    form->addRow(QStringLiteral("Keep the log for:"), m_keepDays);
    form->addRow(QStringLiteral("Degraded above:"), m_degradedRtt);
    form->addRow(QStringLiteral("Degraded from:"), m_degradedLoss);
    form->addRow(QStringLiteral("Degraded over:"), m_degradedRounds);
    form->addRow(QStringLiteral("Flapping after:"), m_flapChanges);
    form->addRow(QStringLiteral("Flapping within:"), m_flapMinutes);
    form->addRow(QStringLiteral("Alertmanagers:"), m_alertmanagers);
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
    s.degradedRttMs = m_degradedRtt->value();
    s.degradedLossPercent = m_degradedLoss->value();
    s.degradedRounds = m_degradedRounds->value();
    s.flapChanges = m_flapChanges->value();
    s.flapMinutes = m_flapMinutes->value();
    s.alertmanagers.clear();
    for (const QString& url : m_alertmanagers->text().split(u' ', Qt::SkipEmptyParts)) {
        const QUrl parsed(url, QUrl::StrictMode);
        if (parsed.isValid() && (parsed.scheme() == QLatin1String("http") || parsed.scheme() == QLatin1String("https")))
            s.alertmanagers << url;
    }
    return s;
}
