#include "marked_index.hpp"

#include <algorithm>

#include "fault.hpp"

namespace velmora {

MarkedIndex& MarkedIndexList::at(int32_t slot) {
    if (slot < 1 || slot > kCapacity) throw FaultError(FaultKind::RangeCheck);
    return entries[static_cast<size_t>(slot - 1)];
}

const MarkedIndex& MarkedIndexList::at(int32_t slot) const {
    if (slot < 1 || slot > kCapacity) throw FaultError(FaultKind::RangeCheck);
    return entries[static_cast<size_t>(slot - 1)];
}

void MarkedIndexList::insertAt(int32_t slot, const MarkedIndex& mark) {
    // Check every slot the move will touch before touching any, so that a
    // refused insertion leaves the list exactly as it was.
    if (count >= kCapacity || slot < 1 || slot > count + 1) throw FaultError(FaultKind::RangeCheck);
    for (int32_t j = count; j >= slot; --j) at(j + 1) = at(j);
    at(slot) = mark;
    ++count;
}

void MarkedIndexList::removeAt(int32_t slot) {
    if (slot < 1 || slot > count || count > kCapacity) throw FaultError(FaultKind::RangeCheck);
    for (int32_t j = slot; j <= count - 1; ++j) at(j) = at(j + 1);
    --count;
}

int32_t MarkedIndexList::firstAtOrAbove(int32_t index) const {
    const int32_t last = std::min(count, kCapacity);
    for (int32_t j = 1; j < last; ++j)
        if (at(j).index >= index) return j;
    return count;
}

bool SameMarks(const MarkedIndexList& a, const MarkedIndexList& b) {
    if (a.count != b.count) return false;
    const int32_t n = std::clamp(a.count, 0, MarkedIndexList::kCapacity);
    return std::equal(a.entries.begin(), a.entries.begin() + n, b.entries.begin());
}

MarkedIndexList DefaultMarkedIndexList() {
    static constexpr MarkedIndex kDefaults[] = {
        {0, 255, 255, 255}, {29, 255, 0, 0},   {30, 255, 255, 255},  {59, 255, 128, 0},  {60, 255, 255, 255},
        {89, 0, 128, 128},  {90, 255, 255, 255}, {119, 0, 0, 128},   {120, 0, 255, 0},   {149, 0, 0, 0},
        {150, 0, 0, 0},     {179, 0, 255, 255}, {181, 128, 128, 0},  {255, 0, 0, 0},
    };
    MarkedIndexList list;
    for (const MarkedIndex& m : kDefaults) list.entries[static_cast<size_t>(list.count++)] = m;
    return list;
}

std::string MarkRecordsFault(int count, const uint8_t* records) {
    if (count < 1 || count > MarkedIndexList::kCapacity)
        return "it holds " + std::to_string(count) + " marked entries, and a palette has 1 to " +
               std::to_string(MarkedIndexList::kCapacity);
    for (int k = 1; k + 1 <= count - 1; ++k) {
        const uint8_t index = records[4 * (k - 1)];
        if (index == records[4 * k])
            return "marked entries " + std::to_string(k) + " and " + std::to_string(k + 1) +
                   " both mark palette entry " + std::to_string(index);
    }
    return {};
}

}  // namespace velmora
