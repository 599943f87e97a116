#include "monitor/PingSettings.h"

#include "core/AppTexts.h"
#include "platform/SettingsStore.h"

const QString PingSettings::Section = QStringLiteral("Ping");

namespace
{

QString text(const SettingsStore& store, const char* key)
{
    return store.value(AppTexts::SettingsApplication, PingSettings::Section, QLatin1String(key), QString());
}

std::optional<int> number(const SettingsStore& store, const char* key, const PingOptions::Limit& limit)
{
    bool ok = false;
    const qint64 n = text(store, key).toLongLong(&ok);
    return ok && limit.contains(n) ? std::optional<int>(static_cast<int>(n)) : std::nullopt;
}

QString optionalText(const std::optional<int>& n)
{
    return n ? QString::number(*n) : QString(); // empty: the default
}

} // namespace

PingOptions PingSettings::load(const SettingsStore& store)
{
    PingOptions o;
    o.timeoutMs = number(store, "TimeoutMs", PingOptions::TimeoutLimit).value_or(o.timeoutMs);
    o.count = number(store, "Count", PingOptions::CountLimit).value_or(o.count);
    o.intervalMs = number(store, "IntervalMs", PingOptions::IntervalLimit).value_or(o.intervalMs);
    o.payloadBytes = number(store, "PayloadBytes", PingOptions::SizeLimit);
    o.dontFragment = text(store, "DontFragment") == QLatin1String("1");
    o.ttl = number(store, "Ttl", PingOptions::TtlLimit);
    o.ratePps = number(store, "RatePps", PingOptions::RateLimit);
    if (const QString source = text(store, "Source"); PingOptions::sourceProblem(source).isEmpty())
        o.source = source;
    if (const QString interface = text(store, "Interface"); PingOptions::interfaceProblem(interface).isEmpty())
        o.interface = interface;
    return o;
}

void PingSettings::save(const PingOptions& options, SettingsStore& store)
{
    const QString& app = AppTexts::SettingsApplication;
    store.setValue(app, Section, QStringLiteral("TimeoutMs"), QString::number(options.timeoutMs));
    store.setValue(app, Section, QStringLiteral("Count"), QString::number(options.count));
    store.setValue(app, Section, QStringLiteral("IntervalMs"), QString::number(options.intervalMs));
    store.setValue(app, Section, QStringLiteral("PayloadBytes"), optionalText(options.payloadBytes));
    store.setValue(app, Section, QStringLiteral("DontFragment"),
                   options.dontFragment ? QStringLiteral("1") : QStringLiteral("0"));
    store.setValue(app, Section, QStringLiteral("Ttl"), optionalText(options.ttl));
    store.setValue(app, Section, QStringLiteral("Source"), options.source);
    store.setValue(app, Section, QStringLiteral("Interface"), options.interface);
    store.setValue(app, Section, QStringLiteral("RatePps"), optionalText(options.ratePps));
}
