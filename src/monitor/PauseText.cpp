#include "monitor/PauseText.h"

#include <cmath>

namespace PauseText
{

std::optional<int> toIntervalMs(const QString& text, const QLocale& locale)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    double seconds = locale.toDouble(trimmed, &ok);
    if (!ok)
        seconds = QLocale::c().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > MaxSeconds)
        return std::nullopt;
    const double ms = std::round(seconds * 1000.0);
    if (ms < 1)
        return std::nullopt;
    return static_cast<int>(ms);
}

QString rangeMessage()
{
    return QStringLiteral("The pause must be a number of seconds from 0.001 to 86400.");
}

} // namespace PauseText
