#include "app/gui/WindowSettings.h"

#include "core/AppTexts.h"
#include "platform/AppError.h"
#include "platform/SettingsStore.h"

namespace
{

QString widthsText(const QList<int>& widths)
{
    QStringList parts;
    for (int w : widths)
        parts.append(QString::number(w));
    return parts.join(QLatin1Char(' '));
}

QList<int> widthsFrom(const QString& text)
{
    QList<int> widths;
    for (const QString& part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int w = part.toInt(&ok);
        if (!ok || w < 0 || w > 100000)
            return {}; // a damaged value: the default widths
        widths.append(w);
    }
    return widths;
}

} // namespace

WindowSettings WindowSettings::read(const SettingsStore& store)
{
    auto value = [&](const char* key) {
        return store.value(AppTexts::SettingsApplication, section(), QLatin1String(key), QString());
    };
    WindowSettings s;
    s.geometry = QByteArray::fromBase64(value("Geometry").toLatin1());
    s.hostColumnWidths = widthsFrom(value("HostColumnWidths"));
    s.resultColumnWidths = widthsFrom(value("ResultColumnWidths"));
    bool ok = false;
    const int column = value("SortColumn").toInt(&ok);
    s.sortColumn = ok ? column : -1;
    s.sortDescending = value("SortOrder") == QStringLiteral("descending");
    return s;
}

bool WindowSettings::write(SettingsStore& store) const
{
    const QList<QPair<const char*, QString>> values = {
        {"Geometry", QString::fromLatin1(geometry.toBase64())},
        {"HostColumnWidths", widthsText(hostColumnWidths)},
        {"ResultColumnWidths", widthsText(resultColumnWidths)},
        {"SortColumn", QString::number(sortColumn)},
        {"SortOrder", sortDescending ? QStringLiteral("descending") : QStringLiteral("ascending")}};
    try {
        for (const auto& [key, text] : values)
            store.setValue(AppTexts::SettingsApplication, section(), QLatin1String(key), text);
    } catch (const AppError&) {
        return false;
    }
    return true;
}
