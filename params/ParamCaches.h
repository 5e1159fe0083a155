#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "params/ParamEntry.h"

// The raw values of the four parameter groups as the amplifier holds them,
// owned by the main window for the whole run. The group reads fill them, the
// editors update them; they are never cleared.
//
// Beside each value a "write failed" mark: set when the amplifier did not
// acknowledge a write of the entry, cleared by the next successful read or
// write of it. The windows show marked values as not taken.
struct ParamCaches {
    std::array<std::int32_t, EntryCount(ParamGroup::System)> SystemData{};
    std::array<std::int32_t, EntryCount(ParamGroup::Speed)> SpeedData{};
    std::array<std::int32_t, EntryCount(ParamGroup::Torque)> TorqueData{};
    std::array<std::int32_t, EntryCount(ParamGroup::Position)> PositionData{};

    std::array<bool, EntryCount(ParamGroup::System)> SystemWriteFailed{};
    std::array<bool, EntryCount(ParamGroup::Speed)> SpeedWriteFailed{};
    std::array<bool, EntryCount(ParamGroup::Torque)> TorqueWriteFailed{};
    std::array<bool, EntryCount(ParamGroup::Position)> PositionWriteFailed{};

    std::span<std::int32_t> Data(ParamGroup group);
    std::span<const std::int32_t> Data(ParamGroup group) const;

    // Out-of-range indexes read as 0 and not failed, and are never stored.
    std::int32_t Value(ParamGroup group, int index) const;
    void Store(ParamGroup group, int index, std::int32_t value);
    bool WriteFailed(ParamGroup group, int index) const;
    void SetWriteFailed(ParamGroup group, int index, bool failed);

private:
    std::span<bool> Failed(ParamGroup group);
    std::span<const bool> Failed(ParamGroup group) const;
};

// One cache element: group and entry.
struct CacheCell {
    ParamGroup Group;
    int Index;
    bool operator==(const CacheCell&) const = default;
};
