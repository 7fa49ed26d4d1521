#pragma once
// Every stalk type as one record: the value pictures store, its menu item,
// and how its test meets the orbit. The menus, the command line, the orbit
// loops, the golden pictures and the fuzz harnesses all read this table.

#include <array>
#include <cstdint>

#include "kinds.hpp"

namespace velmora {

// When a stalk type looks at the orbit.
enum class StalkTiming : uint8_t {
    Never,       // no test at all
    EveryStep,   // after every step; may stop the orbit
    AfterOrbit,  // once, on the finished orbit
};

struct StalkRecord {
    uint8_t type;
    const char* item;     // the menu item's identifier
    const char* caption;  // the menu caption, also accepted by --stalk
    // Reads lastZ and previousModulus; keeping them costs two 80-bit stores
    // a step, so only these types get them on the fast path.
    bool needsHistory;
    StalkTiming timing;
    // A hidden item is also disabled and has no action; only a loaded
    // picture or the command line's number selects its type.
    bool visible;
};

// In menu order.
inline constexpr StalkRecord kStalks[] = {
    {kStalkNone, "NoStalks1", "No Stalks", false, StalkTiming::Never, true},
    {kStalkCross, "Cross1", "Cross", false, StalkTiming::EveryStep, true},
    {kStalkHypercross, "hypercross1", "hypercross", false, StalkTiming::EveryStep, true},
    {kStalkCircle, "Circle1", "Circle", false, StalkTiming::EveryStep, true},
    {kStalkAnnulus, "Annulus1", "Annulus", false, StalkTiming::EveryStep, true},
    {kStalkConverge, "Converge1", "Converge", true, StalkTiming::EveryStep, true},
    {kStalkSlope1, "Slope1", "Slope 1", true, StalkTiming::AfterOrbit, true},
    {kStalkSlope2, "Slope21", "Slope 2", false, StalkTiming::AfterOrbit, true},
    {kStalkModulusDiff, "ModulusDiff1", "Modulus Diff.", true, StalkTiming::AfterOrbit, true},
    {kStalkSquareBand, "absxabsy1", "Square band", false, StalkTiming::EveryStep, true},
    {kStalkImage, "Image2", "Image", false, StalkTiming::EveryStep, false},
    {kStalkMedian, "Median1", "Median", true, StalkTiming::EveryStep, true},
};

// The record of a stalk type value, or nullptr for a value no type has.
constexpr const StalkRecord* FindStalk(int type) {
    for (const StalkRecord& r : kStalks)
        if (r.type == type) return &r;
    return nullptr;
}

inline constexpr uint8_t kHighestStalkType = [] {
    uint8_t highest = 0;
    for (const StalkRecord& r : kStalks)
        if (r.type > highest) highest = r.type;
    return highest;
}();

namespace stalk_detail {

// One flag per possible stored value, so the loops' questions are a single
// load whatever value a loaded picture carries; unknown types test nothing.
template <class Pred>
constexpr std::array<bool, 256> FlagsOf(Pred pred) {
    std::array<bool, 256> flags{};
    for (const StalkRecord& r : kStalks) flags[r.type] = pred(r);
    return flags;
}

inline constexpr std::array<bool, 256> kNeedsHistory = FlagsOf([](const StalkRecord& r) { return r.needsHistory; });
inline constexpr std::array<bool, 256> kEveryStep =
    FlagsOf([](const StalkRecord& r) { return r.timing == StalkTiming::EveryStep; });

}  // namespace stalk_detail

constexpr bool StalkNeedsHistory(uint8_t type) { return stalk_detail::kNeedsHistory[type]; }
constexpr bool StalkTestsEveryStep(uint8_t type) { return stalk_detail::kEveryStep[type]; }

}  // namespace velmora
