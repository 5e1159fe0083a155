#pragma once
#include <initializer_list>

// A set of members of a small enumeration, kept as one bit per ordinal.
template <typename E>
class EnumSet {
public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<E> members) {
        for (E member : members) Include(member);
    }
    static constexpr EnumSet FromBits(unsigned bits) {
        EnumSet set;
        set.bits_ = bits;
        return set;
    }

    constexpr bool Contains(E member) const { return (bits_ & Bit(member)) != 0; }
    constexpr void Include(E member) { bits_ |= Bit(member); }
    constexpr void Exclude(E member) { bits_ &= ~Bit(member); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr unsigned Bits() const { return bits_; }

    constexpr EnumSet operator&(EnumSet other) const { return FromBits(bits_ & other.bits_); }
    constexpr bool operator==(const EnumSet&) const = default;

private:
    static constexpr unsigned Bit(E member) { return 1u << static_cast<unsigned>(member); }
    unsigned bits_ = 0;
};
