#pragma once

#include "alerts/HostEvent.h"

class QIODevice;

// Events as CSV after RFC 4180: UTF-8, CRLF line ends, fields quoted when they hold a comma, quote or
// line break, quotes doubled.
namespace EventCsv
{

QByteArray text(const HostEvents& events);
bool write(const HostEvents& events, QIODevice& device);

} // namespace EventCsv
