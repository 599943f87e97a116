#pragma once

#include "alerts/HostEvent.h"

// How events read to people and to hook commands.
namespace EventTexts
{

// "1 h 5 min 3 s"
QString duration(qint64 seconds);
// ISO 8601 with the offset from UTC.
QString isoTime(const QDateTime& when);
// One line for the console: "2026-01-02T03:04:05+01:00 down answer.lab (Request timed out.)"
QString line(const HostEvent& event);

} // namespace EventTexts
