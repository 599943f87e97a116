#include "core/HostListAutosave.h"

#include "core/HostListModel.h"
#include "core/SavedHostList.h"

#include <QDebug>

HostListAutosave::HostListAutosave(const HostListModel& hosts, SettingsStore& settings, QObject* parent)
    : QObject(parent), m_hosts(hosts), m_settings(settings)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(DefaultDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &HostListAutosave::saveNow);
    auto changed = [this] { m_timer.start(); };
    connect(&hosts, &QAbstractItemModel::rowsInserted, this, changed);
    connect(&hosts, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(&hosts, &QAbstractItemModel::rowsMoved, this, changed);
    connect(&hosts, &QAbstractItemModel::dataChanged, this, changed);
    connect(&hosts, &QAbstractItemModel::modelReset, this, changed);
    connect(&hosts, &QAbstractItemModel::layoutChanged, this, changed);
}

bool HostListAutosave::saveNow()
{
    m_timer.stop();
    const QString joined = SavedHostList::join(m_hosts.texts());
    // Loading the saved list at start-up is a change too; it needs no write.
    if (!m_knowsStored) {
        m_stored = SavedHostList::read(m_settings);
        m_knowsStored = true;
    }
    if (joined == m_stored)
        return true;
    try {
        SavedHostList::write(m_settings, joined);
    } catch (const std::exception& error) {
        // Once per run of failures on the console; the next change tries again.
        if (!m_failing)
            qWarning("vantrel: cannot save the host list: %s", error.what());
        m_failing = true;
        return false;
    }
    m_stored = joined;
    m_failing = false;
    return true;
}
