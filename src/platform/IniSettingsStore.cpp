#include "IniSettingsStore.h"

#include "AppError.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

IniSettingsStore::IniSettingsStore(QString folder) : m_folder(std::move(folder)) {}

QString IniSettingsStore::defaultFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG rules ignore a relative path here.
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString IniSettingsStore::filePath(const QString& application) const
{
    return m_folder + QLatin1Char('/') + application + QStringLiteral(".conf");
}

QString IniSettingsStore::value(const QString& application, const QString& section, const QString& key,
                                const QString& fallback) const
{
    const QString path = filePath(application);
    if (!QFileInfo(path).isFile())
        return fallback;
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return fallback;
    settings.beginGroup(section);
    const QVariant stored = settings.value(key);
    // A hand-edited value with a comma reads back as a list; anything else that is not text is damage.
    if (stored.typeId() == QMetaType::QStringList)
        return stored.toStringList().join(QLatin1Char(','));
    if (!stored.isValid() || !stored.canConvert<QString>())
        return fallback;
    return stored.toString();
}

void IniSettingsStore::setValue(const QString& application, const QString& section, const QString& key,
                                const QString& value)
{
    if (!QDir().mkpath(m_folder))
        throw AppError(QStringLiteral("Cannot create the settings folder %1").arg(m_folder));
    const QString path = filePath(application);
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(section);
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
    if (settings.status() == QSettings::AccessError)
        throw AppError(QStringLiteral("Cannot write the settings file %1").arg(path));
    // A damaged file cannot be merged into; QSettings then leaves it alone, so start it afresh.
    if (settings.status() == QSettings::FormatError) {
        if (!QFile::remove(path))
            throw AppError(QStringLiteral("Cannot replace the damaged settings file %1").arg(path));
        QSettings fresh(path, QSettings::IniFormat);
        fresh.beginGroup(section);
        fresh.setValue(key, value);
        fresh.endGroup();
        fresh.sync();
        if (fresh.status() != QSettings::NoError)
            throw AppError(QStringLiteral("Cannot write the settings file %1").arg(path));
    }
}
