#pragma once

#include <QObject>
#include <QString>

// Window-wide state that the handlers share: the busy pointer, which doubles as the flag that Clear
// List and the removal of hosts consult; hostListChanged, which tells the next round to build fresh rows;
// and the application title that titles every message box.
class SessionState : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Long operations may overlap (a list file load and an export); busy lasts until the last one ends.
    bool isBusy() const { return m_busy > 0; }
    void beginBusy();
    void endBusy();

    bool hostListChanged = true;
    QString applicationTitle = QStringLiteral("Vantrel");

Q_SIGNALS:
    void busyChanged(bool busy);

private:
    int m_busy = 0;
};

// Shows the busy pointer for the life of the object, and takes it away on every way out.
class BusyPointer
{
public:
    explicit BusyPointer(SessionState& state) : m_state(state) { m_state.beginBusy(); }
    ~BusyPointer() { m_state.endBusy(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    SessionState& m_state;
};
