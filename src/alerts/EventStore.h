#pragma once

#include "alerts/HostEvent.h"

// Where the outage log is kept. One thread uses a store, from open() on.
class EventStore
{
public:
    virtual ~EventStore() = default;

    // false, with a message for the user, when the log cannot be opened or is damaged.
    virtual bool open(QString* error) = 0;
    // All the events or none; when it returns true they survive a crash of the program.
    virtual bool append(const HostEvents& events, QString* error) = 0;
    // Events from `from` on, newest first, at most limit of them.
    virtual HostEvents newestFirst(const QDateTime& from, int limit) = 0;
    // Removes the events before `before`; how many went.
    virtual int pruneBefore(const QDateTime& before) = 0;
    virtual void close() = 0;
};
