#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class HostListModel;
class SettingsStore;

// Saves the host list shortly after it changes, so a crash, a kill or a logout loses at most the last
// moment's edits. Failed writes stay quiet here, as a box every second would be worse than none;
// closing the window still reports them.
class HostListAutosave : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultDelayMs = 1000;

    HostListAutosave(const HostListModel& hosts, SettingsStore& settings, QObject* parent = nullptr);

    // Waits this long after the last change, so a burst of edits makes one write.
    void setDelay(int ms) { m_timer.setInterval(ms); }
    bool isPending() const { return m_timer.isActive(); }

    // Writes the list now unless the store holds it already. False when the write failed.
    bool saveNow();
    // Drops a pending save, for when the list has just been saved another way.
    void cancel() { m_timer.stop(); }

private:
    const HostListModel& m_hosts;
    SettingsStore& m_settings;
    QTimer m_timer;
    QString m_stored;
    bool m_knowsStored = false;
    bool m_failing = false;
};
