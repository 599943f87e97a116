#pragma once

#include "platform/RandomSource.h"

#include <QDateTime>
#include <QRandomGenerator>

// Seeded from the clock, as each start is meant to draw afresh.
class SystemRandom : public RandomSource
{
public:
    SystemRandom() : m_generator(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch())) {}
    double next() override { return m_generator.generateDouble(); }

private:
    QRandomGenerator m_generator;
};
