#pragma once

#include <QObject>
#include <initializer_list>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and the like into a Qt signal on the event loop's thread. A signal handler may
// do next to nothing, so it only writes the signal's number into a pipe that the event loop watches.
class UnixSignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignalWatcher(std::initializer_list<int> numbers, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();
    QSocketNotifier* m_notifier = nullptr;
};
