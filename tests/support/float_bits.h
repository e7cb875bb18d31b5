// Bit-level comparisons of floats: the engine's results are exact, so tests
// compare bits, which also tells +0.0 from -0.0 and matches NaN with NaN.
#pragma once

#include <cstdint>
#include <cstring>

inline std::uint32_t float_bits(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float float_from_bits(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline std::uint64_t double_bits(double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

#define EXPECT_FLOAT_BITS(expected, actual) \
    EXPECT_EQ(float_bits(static_cast<float>(expected)), float_bits(actual)) \
        << "expected " << (expected) << ", got " << (actual)
