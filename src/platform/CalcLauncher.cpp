#include "platform/CalcLauncher.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

QString CalcLauncher::program() const
{
    for (const char* name : {"soffice", "libreoffice", "localc"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

bool CalcLauncher::isInstalled() const
{
    return !program().isEmpty();
}

bool CalcLauncher::openAsNewDocument(const QString& path)
{
    const QString calc = program();
    if (calc.isEmpty())
        return false;
    // -n opens the file as a template: a new, unsaved document that does not overwrite the file.
    return QProcess::startDetached(calc, {QStringLiteral("--calc"), QStringLiteral("-n"), path});
}
