#include "core/DurationText.h"

#include <array>
#include <limits>

namespace DurationText
{

std::optional<qint64> toMs(const QString& text)
{
    struct Unit {
        const char* name;
        qint64 ms;
    };
    // Largest first; "ms" before "m" so that the longer name wins.
    static constexpr std::array<Unit, 6> Units = {
        {{"w", 604800000}, {"d", 86400000}, {"h", 3600000}, {"m", 60000}, {"s", 1000}, {"ms", 1}}};
    if (text.isEmpty())
        return std::nullopt;
    qint64 total = 0;
    std::size_t lastUnit = 0; // units must come in falling order, each at most once
    bool first = true;
    qsizetype i = 0;
    while (i < text.size()) {
        qint64 number = 0;
        const qsizetype digitsFrom = i;
        while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
            if (number > (std::numeric_limits<qint64>::max() - 9) / 10)
                return std::nullopt;
            number = number * 10 + (text.at(i).unicode() - '0');
            ++i;
        }
        if (i == digitsFrom)
            return std::nullopt;
        std::optional<std::size_t> unit;
        for (std::size_t u = 0; u < Units.size(); ++u) {
            const QLatin1String name(Units[u].name);
            const bool isMs = u + 1 == Units.size();
            if (QStringView(text).mid(i).startsWith(name) &&
                (isMs || name != QLatin1String("m") || !QStringView(text).mid(i).startsWith(QLatin1String("ms")))) {
                unit = u;
                break;
            }
        }
        if (!unit || (!first && *unit <= lastUnit))
            return std::nullopt;
        i += static_cast<qsizetype>(qstrlen(Units[*unit].name));
        if (number > (std::numeric_limits<qint64>::max() - total) / Units[*unit].ms)
            return std::nullopt;
        total += number * Units[*unit].ms;
        lastUnit = *unit;
        first = false;
    }
    return total;
}

} // namespace DurationText
