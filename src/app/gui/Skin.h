#pragma once

#include <QString>

class QWidget;

namespace Skin
{
// The skin file beside the program: "<folder>/x/o.cjs".
QString path(const QString& programFolder);
// When the skin file is there, the window and its labels take the system face colour and the file is
// applied to the window as a style sheet. Without it nothing changes. Throws AppError when it cannot be read.
bool apply(const QString& programFolder, QWidget& window);
} // namespace Skin
