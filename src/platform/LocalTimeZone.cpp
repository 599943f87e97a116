#include "platform/LocalTimeZone.h"

#include <QByteArray>
#include <time.h>

namespace LocalTimeZone
{

void readOnce()
{
    if (qEnvironmentVariableIsSet("TZ"))
        return;
    // The leading colon names a zone file; Qt takes this value as "the system's zone" too.
    qputenv("TZ", QByteArrayLiteral(":/etc/localtime"));
    tzset();
}

} // namespace LocalTimeZone
