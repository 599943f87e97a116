#pragma once

#include <QString>

// Names, addresses and texts that the program shows or uses in more than one place.
namespace AppTexts
{
inline const QString ProductName = QStringLiteral("Vantrel");
inline const QString WindowCaption = QStringLiteral("Vantrel");
inline const QString SettingsApplication = QStringLiteral("Corvexa");
inline const QString SettingsSection = QStringLiteral("Vantrel");
inline const QString SettingsKey = QStringLiteral("IP Addresses");

inline const QString SupportAddress = QStringLiteral("support@corvexa.com");
inline const QString MakerWebHost = QStringLiteral("www.corvexa.com");
inline const QString MakerWebAddress = QStringLiteral("https://www.corvexa.com/");
inline const QString SampleAddress = QStringLiteral("74.125.45.19");
inline const QString SearchEngineHost = QStringLiteral("www.google.com");

inline const QString StartCaption = QStringLiteral("Start Pinging");
inline const QString StopCaption = QStringLiteral("Stop (This software will keep pinging until you press here)");
inline const QString ProgressIdleText = QStringLiteral("Progress Bar");

// The location text of a guarded procedure, as the error box names it.
inline QString location(const char* module, const char* procedure)
{
    return QStringLiteral("in Vantrel2021/08/31.%1.%2 ").arg(QLatin1String(module), QLatin1String(procedure));
}
} // namespace AppTexts
