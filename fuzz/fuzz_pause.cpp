#include "monitor/PauseText.h"

#include <cstddef>
#include <cstdint>

// Whatever is typed, the interval is either refused or a whole number of milliseconds within a day.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const char* name : {"C", "en_US", "de_DE", "ar_EG"}) {
        const std::optional<int> ms = PauseText::toIntervalMs(text, QLocale(QString::fromLatin1(name)));
        if (ms && (*ms < 1 || *ms > PauseText::MaxSeconds * 1000))
            __builtin_trap();
    }
    return 0;
}
