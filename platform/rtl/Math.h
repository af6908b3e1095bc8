// The run time's rounding, random numbers and the check that turns a failed floating-point result
// into the exception the processor would have raised.
#pragma once

#include "platform/rtl/Exceptions.h"

#include <cmath>
#include <concepts>
#include <cstdint>

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). NaN, infinities
// and values outside the 64-bit range raise EInvalidOp.
std::int64_t Round(long double x);
// Toward zero; the same failures as Round.
std::int64_t Trunc(long double x);

// The generator's state: the same seed gives the same sequence.
extern std::int32_t RandSeed;
// 0 <= result < range for a positive range; 0 otherwise.
int Random(int range);
// 0 <= result < 1.
double Random();
// Seeds from the clock.
void Randomize();

// A NaN result raises EInvalidOp; an infinite one EOverflow, or EZeroDivide when it is a quotient
// (x / 0 with x not 0; 0 / 0 is NaN, an invalid operation). Finite results pass through.
template <std::floating_point T> T CheckFloat(T result, bool quotient = false) {
    if (std::isnan(result)) throw EInvalidOp();
    if (std::isinf(result)) {
        if (quotient) throw EZeroDivide();
        throw EOverflow();
    }
    return result;
}
