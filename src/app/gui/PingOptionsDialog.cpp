#include "app/gui/PingOptionsDialog.h"

#include "platform/IpAddress.h"
#include "platform/MessageBoxes.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace
{

// An optional value's box: one step below its range reads as the default.
std::optional<int> chosen(const QSpinBox* box)
{
    return box->value() == box->minimum() ? std::nullopt : std::optional<int>(box->value());
}

} // namespace

PingOptionsDialog::PingOptionsDialog(const PingOptions& options, MessageBoxes& messageBoxes, QWidget* parent)
    : QDialog(parent), m_messageBoxes(messageBoxes)
{
    setObjectName(QStringLiteral("pingOptions"));
    setWindowTitle(QStringLiteral("Ping Options"));
    auto spin = [this](const char* name, const PingOptions::Limit& limit, const char* suffix,
                       const char* defaultText = nullptr) {
        auto* box = new QSpinBox(this);
        box->setObjectName(QLatin1String(name));
        box->setRange(defaultText ? limit.low - 1 : limit.low, limit.high);
        box->setSuffix(QString::fromUtf8(suffix));
        if (defaultText)
            box->setSpecialValueText(QString::fromUtf8(defaultText));
        box->setGroupSeparatorShown(true);
        return box;
    };
    m_timeout = spin("timeout", PingOptions::TimeoutLimit, " ms");
    m_count = spin("count", PingOptions::CountLimit, "");
    m_interval = spin("interval", PingOptions::IntervalLimit, " ms");
    m_size = spin("size", PingOptions::SizeLimit, " bytes", "default: the 9 bytes \"Echo This\"");
    m_ttl = spin("ttl", PingOptions::TtlLimit, "", "default: the system's");
    m_rate = spin("rate", PingOptions::RateLimit, " echoes per second", "no limit");
    m_dontFragment = new QCheckBox(QStringLiteral("Don't fragment"), this);
    m_dontFragment->setObjectName(QStringLiteral("dontFragment"));
    m_source = new QLineEdit(this);
    m_source->setObjectName(QStringLiteral("source"));
    m_source->setPlaceholderText(QStringLiteral("the system's choice"));
    m_source->setToolTip(QStringLiteral("An IPv4 or IPv6 address of this machine, such as 192.0.2.1 or 2001:db8::1"));
    m_interface = new QLineEdit(this);
    m_interface->setObjectName(QStringLiteral("interface"));
    m_interface->setPlaceholderText(QStringLiteral("any"));
    m_interface->setToolTip(QStringLiteral("The network interface to send through, such as eth0"));
    m_interface->setMaxLength(PingOptions::MaxInterfaceName);
    fill(options);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Timeout:"), m_timeout);
    form->addRow(QStringLiteral("Echoes per host and round:"), m_count);
    form->addRow(QStringLiteral("Interval between them:"), m_interval);
    form->addRow(QStringLiteral("Payload size:"), m_size);
    form->addRow(QString(), m_dontFragment);
    form->addRow(QStringLiteral("TTL (IPv6: hop limit):"), m_ttl);
    form->addRow(QStringLiteral("Source address:"), m_source);
    form->addRow(QStringLiteral("Interface:"), m_interface);
    form->addRow(QStringLiteral("Rate:"), m_rate);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            [this] { fill(PingOptions{}); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(520);
}

void PingOptionsDialog::fill(const PingOptions& options)
{
    m_timeout->setValue(options.timeoutMs);
    m_count->setValue(options.count);
    m_interval->setValue(options.intervalMs);
    m_size->setValue(options.payloadBytes.value_or(m_size->minimum()));
    m_dontFragment->setChecked(options.dontFragment);
    m_ttl->setValue(options.ttl.value_or(m_ttl->minimum()));
    m_source->setText(options.source);
    m_interface->setText(options.interface);
    m_rate->setValue(options.ratePps.value_or(m_rate->minimum()));
}

PingOptions PingOptionsDialog::options() const
{
    PingOptions o;
    o.timeoutMs = m_timeout->value();
    o.count = m_count->value();
    o.intervalMs = m_interval->value();
    o.payloadBytes = chosen(m_size);
    o.dontFragment = m_dontFragment->isChecked();
    o.ttl = chosen(m_ttl);
    o.source = m_source->text().trimmed();
    o.interface = m_interface->text().trimmed();
    o.ratePps = chosen(m_rate);
    return o;
}

void PingOptionsDialog::accept()
{
    if (const QString problem = options().check(PingOptions::Naming::Labels); !problem.isEmpty()) {
        m_messageBoxes.warning(windowTitle(), problem);
        return;
    }
    // Only an address and an interface of this machine are of use to send from.
    IpAddress source;
    if (const QString problem = options().sendFromProblem(source, PingOptions::Naming::Labels); !problem.isEmpty()) {
        m_messageBoxes.warning(windowTitle(), problem);
        return;
    }
    QDialog::accept();
}
