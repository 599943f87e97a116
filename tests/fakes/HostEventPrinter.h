#pragma once

#include "alerts/EventTexts.h"
#include "alerts/HostEvent.h"

#include <QTest>

// Readable events in failed comparisons.
inline char* toString(const HostEvent& e)
{
    return QTest::toString(EventTexts::line(e) + QStringLiteral(" [%1] from %2%3")
                                                     .arg(e.durationSecs ? *e.durationSecs : -1)
                                                     .arg(hostStateName(e.previous), e.quiet ? " quiet" : ""));
}
