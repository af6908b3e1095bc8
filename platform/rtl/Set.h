// A small set of enumeration members, as the run time's set types are: TSet<E>{a, b}.Contains(a).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

template <typename E>
class TSet {
    static_assert(std::is_enum_v<E>, "TSet holds enumeration members");

public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) {
        for (E e : items) bits_ |= bit(e);
    }

    constexpr bool Contains(E e) const { return (bits_ & bit(e)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TSet& Include(E e) { bits_ |= bit(e); return *this; }
    constexpr TSet& Exclude(E e) { bits_ &= ~bit(e); return *this; }

    constexpr TSet operator+(TSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr TSet operator*(TSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr bool operator==(const TSet&) const = default;

    constexpr std::uint64_t Bits() const { return bits_; }
    static constexpr TSet FromBits(std::uint64_t b) { TSet s; s.bits_ = b; return s; }

private:
    static constexpr std::uint64_t bit(E e) { return std::uint64_t{1} << static_cast<unsigned>(e); }
    std::uint64_t bits_ = 0;
};
