#include "platform/IniSettingsStore.h"

#include "platform/AppError.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <cstdio>

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
    // The file is written aside and renamed over the old one, so a crash or a full disk mid-write leaves
    // the old file whole; where that cannot be done the write fails rather than risk it.
    settings.setAtomicSyncRequired(true);
    settings.beginGroup(section);
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
    if (settings.status() == QSettings::AccessError)
        throw AppError(QStringLiteral("Cannot write the settings file %1").arg(path));
    // A damaged file cannot be merged into; QSettings then leaves it alone, so start it afresh: built
    // aside and renamed over it, so the old file stays until the new one is whole.
    if (settings.status() == QSettings::FormatError) {
        const QString freshPath = path + QStringLiteral(".new");
        QFile::remove(freshPath);
        QSettings::Status status = QSettings::AccessError;
        {
            QSettings fresh(freshPath, QSettings::IniFormat);
            fresh.setAtomicSyncRequired(true);
            fresh.beginGroup(section);
            fresh.setValue(key, value);
            fresh.endGroup();
            fresh.sync();
            status = fresh.status();
        }
        if (status != QSettings::NoError ||
            std::rename(QFile::encodeName(freshPath).constData(), QFile::encodeName(path).constData()) != 0) {
            QFile::remove(freshPath);
            throw AppError(QStringLiteral("Cannot replace the damaged settings file %1").arg(path));
        }
    }
}
