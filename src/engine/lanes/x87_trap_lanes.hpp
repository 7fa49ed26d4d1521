#pragma once
// The x87 kernel of x87_lanes.hpp with a stalk test's filter: three z^2+c
// orbits at once, each pass stopping the run also where the trap may catch
// the new z. The exact test of that z is the caller's, in C++.

#include <cstdint>

#include "x87_lanes.hpp"

namespace velmora {

// The traps whose test reads only the new z's parts or its modulus. Each
// filter is a test in doubles on the parts rounded to doubles: their
// absolute values a, b, and the escape test's value d made from them (the
// squared modulus or the sum of a and b, as the exact tests read it):
//   Cross       min(a, b) < hi
//   Circle      d < hi
//   Annulus     lo < d < hi
//   SquareBand  lo < max(a, b) < hi
//   Image       a < hi and b < hi2
//   Hypercross  a * b < hi
enum class X87TrapFilter { Cross, Circle, Annulus, SquareBand, Image, Hypercross };

struct X87TrapBlock {
    X87Block base;  // first: the kernel addresses both by the same offsets
    double hi = 0.0, lo = 0.0, hi2 = 0.0;
};

// The filter's bounds of a trap whose exact test is "x < above" (hi, hi2)
// or "x > below" (lo), x the long double quantity the filter's double one
// approximates: false where the bound cannot be set (a bound that is not a
// number or beyond 2^900), and the kernel should not run. Every exact catch
// passes the filter: the doubles' quantities lie within 2^-50 of the long
// doubles' relative to them (and all the closer far below the normal
// doubles, where rounding is monotonic and every bound here stays above
// 2^-400), and each bound keeps a margin of 2^-40 outside.
bool X87TrapAbove(long double above, double& bound);
bool X87TrapBelow(long double below, double& bound);

// RunX87Lanes with the filter: a lane's pass stops the run where either the
// escape test's superset or the filter holds for the new z, which the lane
// then holds. Everything else as RunX87Lanes.
int RunX87TrapLanes(X87TrapBlock& block, int64_t passes, int64_t& done, X87Escape escape, X87TrapFilter filter,
                    bool split);

}  // namespace velmora
