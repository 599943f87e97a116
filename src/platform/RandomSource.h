#pragma once

// Uniform random numbers in [0, 1).
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual double next() = 0;
};
