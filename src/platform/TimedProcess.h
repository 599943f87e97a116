#pragma once

#include <QProcess>
#include <functional>

// A child process started for one answer, as the command and process runners use it. Whichever comes first of
// its end, its failure to start and the timeout ends it, once: it is no longer watched, is killed if it still
// runs, and deletes itself when it has ended; the answer comes after that, so whoever receives it may delete
// the process's owner.
class TimedProcess : public QProcess
{
    Q_OBJECT
public:
    enum class End { Finished, FailedToStart, TimedOut };
    // The process can still be read during the call (its exit code, what it wrote); it is deleted later.
    using Ended = std::function<void(TimedProcess& process, End end)>;

    // ownGroup: the child leads a process group of its own and is killed together with it, so a timeout also
    // ends what the command started (a shell's children).
    TimedProcess(bool ownGroup, QObject* parent);

    // Starts the program set up beforehand; no timeout when timeoutMs is 0 or less. ended runs once, on this
    // object's thread.
    void run(int timeoutMs, Ended ended);
    // For an owner going away: ends the process without answering, waiting up to a second for it.
    void abandon();

private:
    void end(End how);
    void killNow();

    bool m_ownGroup;
    Ended m_ended;
};
