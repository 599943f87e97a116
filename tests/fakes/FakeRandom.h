#pragma once

#include "RandomSource.h"

class FakeRandom : public RandomSource {
public:
    explicit FakeRandom(double value = 0.5) : value(value) {}
    double next() override { return value; }
    double value;
};
