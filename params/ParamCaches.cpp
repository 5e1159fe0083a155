#include "params/ParamCaches.h"

namespace {

template <typename T>
bool Inside(std::span<T> cells, int index) {
    return index >= 0 && index < static_cast<int>(cells.size());
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
