#include "x87_lanes.hpp"

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "x87_kernel_asm.hpp"

namespace velmora {

bool X87Threshold(long double maxmod, uint64_t& threshold) {
    // Past 2^500 the squares of a z one step beyond maxmod may leave the
    // double range; that raises the overflow flag, which sends the pixels in
    // flight to the checked path: right, but slow.
    if (!(maxmod >= 0.0L && maxmod <= 0x1p500L)) return false;
    // The parts of z rounded to doubles, squared and summed in doubles (or
    // their absolute values summed) fall short of the exact long double
    // test's value by less than 2^-50 of it; the threshold keeps four times
    // that below maxmod. Far below the normal doubles that bound fails, and
    // every step leaves the kernel to be tested exactly.
    const long double lowered = maxmod < 0x1p-900L ? 0.0L : maxmod - maxmod * 0x1p-48L;
    double d = static_cast<double>(lowered);
    if (static_cast<long double>(d) > lowered) d = std::nextafter(d, 0.0);
    std::memcpy(&threshold, &d, sizeof threshold);
    return true;
}

bool SplitConstant(long double v, double& hi, double& lo) {
    // Within the double range the conversions raise at most the silent
    // underflow and precision flags; a v they cannot make fails the test.
    if (!(fabsl(v) <= static_cast<long double>(DBL_MAX))) return false;
    hi = static_cast<double>(v);
    const long double rest = v - hi;  // exact: v and hi are that close
    // A zero rest takes hi's sign, so that -0 + -0 gives -0 back.
    lo = rest == 0.0L ? std::copysign(0.0, hi) : static_cast<double>(rest);
    const long double back = static_cast<long double>(hi) + static_cast<long double>(lo);
    return std::memcmp(&back, &v, 10) == 0;
}

#if defined(__x86_64__)

// The assembly addresses the block by these offsets.
static_assert(sizeof(long double) == 16, "80-bit long double in 16 bytes");
static_assert(offsetof(X87Lane, zr) == 0 && offsetof(X87Lane, zi) == 16 && offsetof(X87Lane, cr) == 32 &&
              offsetof(X87Lane, ci) == 48 && sizeof(X87Lane) == 64);
static_assert(offsetof(X87Block, parts) == 192 && offsetof(X87Block, threshold) == 240 &&
              offsetof(X87Block, checkpoint) == 256 && sizeof(X87Point) == 32 &&
              offsetof(X87Block, checkpointLeft) == 352 && offsetof(X87Block, latest) == 368 &&
              offsetof(X87Block, watch) == 464 && sizeof(X87Watch) == 48 && offsetof(X87Watch, countdown) == 32 &&
              offsetof(X87Watch, interval) == 36 && offsetof(X87Block, split) == 608);

bool HaveX87Lanes() { return true; }

int RunX87Lanes(X87Block& block, int64_t passes, int64_t& done, X87Escape escape, bool split) {
    int stopped;
    int64_t left = passes;
    if (escape == X87Escape::SumOfAbs) {
        if (split) VELMORA_X87_RUN(VELMORA_X87_SUM_ABS, VELMORA_X87_NO_FILTER, VELMORA_X87_C64, "");
        else VELMORA_X87_RUN(VELMORA_X87_SUM_ABS, VELMORA_X87_NO_FILTER, VELMORA_X87_C80, "");
    } else {
        if (split) VELMORA_X87_RUN(VELMORA_X87_MODULUS, VELMORA_X87_NO_FILTER, VELMORA_X87_C64, "");
        else VELMORA_X87_RUN(VELMORA_X87_MODULUS, VELMORA_X87_NO_FILTER, VELMORA_X87_C80, "");
    }
    done = passes - left;
    return stopped;
}

#else

bool HaveX87Lanes() { return false; }
int RunX87Lanes(X87Block&, int64_t, int64_t& done, X87Escape, bool) {
    done = 0;
    return -1;
}

#endif

}  // namespace velmora
