#include "app/gui/Skin.h"

#include "platform/AppError.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace Skin
{

QString path(const QString& programFolder)
{
    return programFolder + QStringLiteral("/x/o.cjs");
}

bool apply(const QString& programFolder, QWidget& window)
{
    const QString file = path(programFolder);
    const QFileInfo info(file);
    // Hidden files do not count, as on the system this look comes from.
    if (!info.isFile() || info.isHidden())
        return false;

    const QColor face = window.palette().color(QPalette::Active, QPalette::Button);
    auto paint = [&face](QWidget& widget) {
        QPalette palette = widget.palette();
        palette.setColor(QPalette::Window, face);
        widget.setPalette(palette);
        widget.setAutoFillBackground(true);
    };
    paint(window);
    for (QLabel* label : window.findChildren<QLabel*>())
        paint(*label);

    QFile sheet(file);
    if (!sheet.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot read the skin file %1: %2").arg(file, sheet.errorString()));
    window.setStyleSheet(QString::fromUtf8(sheet.readAll()));
    return true;
}

} // namespace Skin
