#pragma once

#include <QLocale>
#include <QString>
#include <optional>

// The pause between rounds as the user types it: seconds, in the locale's notation or with a dot.
namespace PauseText
{
constexpr qint64 MaxSeconds = 86400;
// The interval in milliseconds, or nothing when the text is not a pause from 0.001 to 86400 seconds.
std::optional<int> toIntervalMs(const QString& text, const QLocale& locale = QLocale());
QString rangeMessage();
} // namespace PauseText
