#pragma once

#include "platform/RandomSource.h"

class FakeRandom : public RandomSource
{
public:
    explicit FakeRandom(double draw = 0.5) : value(draw) {}
    double next() override { return value; }
    double value;
};
