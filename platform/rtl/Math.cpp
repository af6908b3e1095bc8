#include "platform/rtl/Math.h"

#include <chrono>

namespace {

// 2^63 is exact in long double; anything at or beyond it does not fit.
constexpr long double kInt64Limit = 9223372036854775808.0L;

std::int64_t ToInt64(long double whole) {
    if (std::isnan(whole) || whole >= kInt64Limit || whole < -kInt64Limit) throw EInvalidOp();
    return static_cast<std::int64_t>(whole);
}

} // namespace

std::int64_t Round(long double x) {
    if (!std::isfinite(x)) throw EInvalidOp();
    long double whole = std::floor(x);
    const long double fraction = x - whole;
    if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0)) whole += 1;
    return ToInt64(whole);
}

std::int64_t Trunc(long double x) {
    if (!std::isfinite(x)) throw EInvalidOp();
    return ToInt64(std::trunc(x));
}

std::int32_t RandSeed = 0;

namespace {

// 32-bit linear congruential step (full period: odd increment, multiplier 1 mod 4).
std::uint32_t NextSeed() {
    const std::uint32_t next = static_cast<std::uint32_t>(RandSeed) * 134775813u + 1u;
    RandSeed = static_cast<std::int32_t>(next);
    return next;
}

} // namespace

int Random(int range) {
    if (range <= 0) return 0;
    // The high bits of seed x range: uniform without the bias of a remainder.
    return static_cast<int>((static_cast<std::uint64_t>(NextSeed()) * static_cast<std::uint32_t>(range)) >>
                            32);
}

double Random() {
    return static_cast<double>(NextSeed()) / 4294967296.0;
}

void Randomize() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    RandSeed = static_cast<std::int32_t>(static_cast<std::uint64_t>(ticks) ^
                                         (static_cast<std::uint64_t>(ticks) >> 32));
}
