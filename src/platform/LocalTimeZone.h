#pragma once

// The local time zone as the C library sees it.
namespace LocalTimeZone
{
// Every echo's outcome takes the local time. With TZ unset, the C library looks at /etc/localtime again
// (a stat) on each conversion in case the zone changed, which at 100,000 hosts a second is a large share of
// the work. Naming the file in TZ makes it read the zone once; a zone changed while the program runs then
// shows after a restart. A TZ the user has set is left alone.
void readOnce();
} // namespace LocalTimeZone
