#pragma once

#include "platform/Clock.h"

class FakeClock : public Clock
{
public:
    QDateTime now() const override { return current; }
    QDateTime current = QDateTime(QDate(2026, 12, 7), QTime(15, 5, 9));
};
