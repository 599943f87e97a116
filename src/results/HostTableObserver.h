#pragma once

#include "ping/EchoOutcome.h"
#include "results/StateChange.h"

#include <span>

// A reader of the results core: told of rows coming and going and handed every batch of outcomes after the
// core took it. Row numbers are positions in the table's order; slots stay with their row for its life.
class HostTableObserver
{
public:
    virtual void tableRowsAdding(int /*first*/, int /*last*/) {}
    virtual void tableRowsAdded(int /*first*/, int /*last*/) {}
    virtual void tableRowsRemoving(int /*first*/, int /*last*/) {}
    virtual void tableRowsRemoved(int /*first*/, int /*last*/) {}
    virtual void tableClearing() {}
    virtual void tableCleared() {}
    // Only outcomes of rows still in the table, in the order they came.
    virtual void outcomesApplied(std::span<const EchoOutcome> /*outcomes*/) {}
    // Replies that came after their echo was settled (EchoOutcome::Kind Late or Duplicate), of rows still in
    // the table; never in outcomesApplied, and not counted by the table.
    virtual void straysApplied(std::span<const EchoOutcome> /*strays*/) {}
    virtual void statesChanged(std::span<const StateChange> /*changes*/) {}
    // Rows stopped standing for a listed host: the host was removed from the list.
    virtual void tableRowsUnlisted() {}

protected:
    virtual ~HostTableObserver() = default;
};
