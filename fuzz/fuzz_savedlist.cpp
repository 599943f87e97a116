#include "core/SavedHostList.h"

#include <cstddef>
#include <cstdint>

// Splitting then joining keeps every non-empty piece, and joining the pieces again splits back to them.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString saved = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList hosts = SavedHostList::split(saved);
    for (const QString& host : hosts) {
        if (host.isEmpty() || host.contains(QLatin1Char(';')))
            __builtin_trap();
    }
    if (SavedHostList::split(SavedHostList::join(hosts)) != hosts)
        __builtin_trap();
    return 0;
}
