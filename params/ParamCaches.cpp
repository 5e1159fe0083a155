#include "params/ParamCaches.h"

#include <algorithm>

namespace {

template <typename T>
bool Inside(std::span<T> cells, int index) {
    return index >= 0 && index < static_cast<int>(cells.size());
}

// The shared words of the FX group.
const CacheCell ModeWord[] = {
    {ParamGroup::System, 0}, {ParamGroup::System, 2}, {ParamGroup::Position, 0}};
const CacheCell SwitchWord[] = {{ParamGroup::System, 6},
                                {ParamGroup::System, 11},
                                {ParamGroup::System, 17},
                                {ParamGroup::System, 18}};
const CacheCell SpeedSelectWord[] = {
    {ParamGroup::Speed, 3}, {ParamGroup::Speed, 4}, {ParamGroup::Speed, 17}};

const std::span<const CacheCell> SharedWords[] = {ModeWord, SwitchWord, SpeedSelectWord};

// Single cells for everything else, one array per group so a span can point
// into it.
template <ParamGroup G, int N>
const std::array<CacheCell, N>& OwnCells() {
    static const std::array<CacheCell, N> cells = [] {
        std::array<CacheCell, N> result{};
        for (int i = 0; i < N; ++i) result[i] = {G, i};
        return result;
    }();
    return cells;
}

std::span<const CacheCell> OwnCell(ParamGroup group, int index) {
    std::span<const CacheCell> cells;
    switch (group) {
        case ParamGroup::System:
            cells = OwnCells<ParamGroup::System, 19>();
            break;
        case ParamGroup::Speed:
            cells = OwnCells<ParamGroup::Speed, 22>();
            break;
        case ParamGroup::Torque:
            cells = OwnCells<ParamGroup::Torque, 8>();
            break;
        case ParamGroup::Position:
            cells = OwnCells<ParamGroup::Position, 14>();
            break;
    }
    if (!Inside(cells, index)) return {};
    return cells.subspan(static_cast<std::size_t>(index), 1);
}

}  // namespace

std::span<std::int32_t> ParamCaches::Data(ParamGroup group) {
    switch (group) {
        case ParamGroup::System:
            return SystemData;
        case ParamGroup::Speed:
            return SpeedData;
        case ParamGroup::Torque:
            return TorqueData;
        case ParamGroup::Position:
            return PositionData;
    }
    return {};
}

std::span<const std::int32_t> ParamCaches::Data(ParamGroup group) const {
    return const_cast<ParamCaches*>(this)->Data(group);
}

std::span<bool> ParamCaches::Failed(ParamGroup group) {
    switch (group) {
        case ParamGroup::System:
            return SystemWriteFailed;
        case ParamGroup::Speed:
            return SpeedWriteFailed;
        case ParamGroup::Torque:
            return TorqueWriteFailed;
        case ParamGroup::Position:
            return PositionWriteFailed;
    }
    return {};
}

std::span<const bool> ParamCaches::Failed(ParamGroup group) const {
    return const_cast<ParamCaches*>(this)->Failed(group);
}

std::int32_t ParamCaches::Value(ParamGroup group, int index) const {
    const auto data = Data(group);
    return Inside(data, index) ? data[static_cast<std::size_t>(index)] : 0;
}

void ParamCaches::Store(ParamGroup group, int index, std::int32_t value) {
    const auto data = Data(group);
    if (Inside(data, index)) data[static_cast<std::size_t>(index)] = value;
}

bool ParamCaches::WriteFailed(ParamGroup group, int index) const {
    const auto failed = Failed(group);
    return Inside(failed, index) && failed[static_cast<std::size_t>(index)];
}

void ParamCaches::SetWriteFailed(ParamGroup group, int index, bool failed) {
    const auto marks = Failed(group);
    if (Inside(marks, index)) marks[static_cast<std::size_t>(index)] = failed;
}

std::span<const CacheCell> WordCells(ParamGroup group, int index, int ampFamily) {
    if (ampFamily == FamilyFx) {
        const CacheCell cell{group, index};
        for (std::span<const CacheCell> word : SharedWords) {
            if (std::find(word.begin(), word.end(), cell) != word.end()) return word;
        }
    }
    return OwnCell(group, index);
}
