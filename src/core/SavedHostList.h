#pragma once

#include <QStringList>

class SettingsStore;

// The host list as it is kept between runs: the entries joined by ";".
namespace SavedHostList
{
// No separator before the first or after the last entry; the empty text for an empty list.
QString join(const QStringList& hosts);
// The non-empty pieces between ";", in order.
QStringList split(const QString& saved);

QString read(const SettingsStore& store);
void write(SettingsStore& store, const QString& joined);
} // namespace SavedHostList
