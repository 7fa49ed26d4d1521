#include "x87_trap_lanes.hpp"

#include <cmath>
#include <cstddef>

#include "x87_kernel_asm.hpp"

namespace velmora {

bool X87TrapAbove(long double above, double& bound) {
    if (!(fabsl(above) <= 0x1p900L)) return false;
    const long double widened = (above > 0x1p-400L ? above : 0x1p-400L) * (1.0L + 0x1p-40L);
    double d = static_cast<double>(widened);
    if (static_cast<long double>(d) < widened) d = std::nextafter(d, INFINITY);
    bound = std::nextafter(d, INFINITY);
    return true;
}

bool X87TrapBelow(long double below, double& bound) {
    if (!(fabsl(below) <= 0x1p900L)) return false;
    // Every quantity the filters bound from below is at least zero.
    if (below < 0x1p-400L) {
        bound = -1.0;
        return true;
    }
    const long double narrowed = below * (1.0L - 0x1p-40L);
    double d = static_cast<double>(narrowed);
    if (static_cast<long double>(d) > narrowed) d = std::nextafter(d, -INFINITY);
    bound = std::nextafter(d, -INFINITY);
    return true;
}

#if defined(__x86_64__)

static_assert(offsetof(X87TrapBlock, base) == 0 && sizeof(X87Block) == 704 && offsetof(X87TrapBlock, hi) == 704 &&
              offsetof(X87TrapBlock, lo) == 712 && offsetof(X87TrapBlock, hi2) == 720);
static_assert(offsetof(X87Block, threshold) == 240 && offsetof(X87Block, checkpoint) == 256 &&
              offsetof(X87Block, checkpointLeft) == 352 && offsetof(X87Block, latest) == 368 &&
              offsetof(X87Block, watch) == 464 && offsetof(X87Block, split) == 608);

// The filters, the bounds hi, lo, hi2 in xmm3, xmm4, xmm5. They run once
// the escape test has passed: the parts are finite and below 2^500, so
// min, max and the products raise nothing. ucomisd b, a sets the flags of
// a - b: `ja` is a > b, which no NaN passes.
#define VELMORA_TRAP_ABS(PZ)                                                     \
    "movsd " PZ "(%[b]), %%xmm0\n\t"                                             \
    "andpd %%xmm2, %%xmm0\n\t"                                                   \
    "movsd " PZ "+8(%[b]), %%xmm1\n\t"                                           \
    "andpd %%xmm2, %%xmm1\n\t"
#define VELMORA_TRAP_BELOW_HI(EXIT)                                              \
    "ucomisd %%xmm0, %%xmm3\n\t"                                                 \
    "ja " EXIT "\n\t"
#define VELMORA_TRAP_BETWEEN(EXIT)                                               \
    "ucomisd %%xmm0, %%xmm3\n\t"                                                 \
    "jbe 5f\n\t"                                                                 \
    "ucomisd %%xmm4, %%xmm0\n\t"                                                 \
    "ja " EXIT "\n"                                                              \
    "5:\n\t"
#define VELMORA_TRAP_CROSS(PZ, EXIT) VELMORA_TRAP_ABS(PZ) "minsd %%xmm1, %%xmm0\n\t" VELMORA_TRAP_BELOW_HI(EXIT)
// Circle and Annulus test the escape test's value, which is still in xmm0.
#define VELMORA_TRAP_CIRCLE(PZ, EXIT) VELMORA_TRAP_BELOW_HI(EXIT)
#define VELMORA_TRAP_ANNULUS(PZ, EXIT) VELMORA_TRAP_BETWEEN(EXIT)
#define VELMORA_TRAP_SQUARE_BAND(PZ, EXIT) VELMORA_TRAP_ABS(PZ) "maxsd %%xmm1, %%xmm0\n\t" VELMORA_TRAP_BETWEEN(EXIT)
#define VELMORA_TRAP_IMAGE(PZ, EXIT)                                             \
    VELMORA_TRAP_ABS(PZ)                                                         \
    "ucomisd %%xmm0, %%xmm3\n\t"                                                 \
    "jbe 5f\n\t"                                                                 \
    "ucomisd %%xmm1, %%xmm5\n\t"                                                 \
    "ja " EXIT "\n"                                                              \
    "5:\n\t"
#define VELMORA_TRAP_HYPERCROSS(PZ, EXIT) VELMORA_TRAP_ABS(PZ) "mulsd %%xmm1, %%xmm0\n\t" VELMORA_TRAP_BELOW_HI(EXIT)

// The bounds the filters read.
#define VELMORA_TRAP_BOUNDS                                                      \
    "movsd 704(%[b]), %%xmm3\n\t"                                               \
    "movsd 712(%[b]), %%xmm4\n\t"                                               \
    "movsd 720(%[b]), %%xmm5\n\t"

// Each escape test and way of adding c with the filter.
#define VELMORA_TRAP_RUN_ANY(FILTER)                                              \
    if (escape == X87Escape::SumOfAbs) {                                         \
        if (split) VELMORA_X87_RUN(VELMORA_X87_SUM_ABS, FILTER, VELMORA_X87_C64, VELMORA_TRAP_BOUNDS); \
        else VELMORA_X87_RUN(VELMORA_X87_SUM_ABS, FILTER, VELMORA_X87_C80, VELMORA_TRAP_BOUNDS);       \
    } else {                                                                     \
        if (split) VELMORA_X87_RUN(VELMORA_X87_MODULUS, FILTER, VELMORA_X87_C64, VELMORA_TRAP_BOUNDS); \
        else VELMORA_X87_RUN(VELMORA_X87_MODULUS, FILTER, VELMORA_X87_C80, VELMORA_TRAP_BOUNDS);       \
    }

int RunX87TrapLanes(X87TrapBlock& block, int64_t passes, int64_t& done, X87Escape escape, X87TrapFilter filter,
                    bool split) {
    int stopped = -1;
    int64_t left = passes;
    switch (filter) {
    case X87TrapFilter::Cross: VELMORA_TRAP_RUN_ANY(VELMORA_TRAP_CROSS) break;
    case X87TrapFilter::Circle: VELMORA_TRAP_RUN_ANY(VELMORA_TRAP_CIRCLE) break;
    case X87TrapFilter::Annulus: VELMORA_TRAP_RUN_ANY(VELMORA_TRAP_ANNULUS) break;
    case X87TrapFilter::SquareBand: VELMORA_TRAP_RUN_ANY(VELMORA_TRAP_SQUARE_BAND) break;
    case X87TrapFilter::Image: VELMORA_TRAP_RUN_ANY(VELMORA_TRAP_IMAGE) break;
    case X87TrapFilter::Hypercross: VELMORA_TRAP_RUN_ANY(VELMORA_TRAP_HYPERCROSS) break;
    }
    done = passes - left;
    return stopped;
}

#else

int RunX87TrapLanes(X87TrapBlock&, int64_t, int64_t& done, X87Escape, X87TrapFilter, bool) {
    done = 0;
    return -1;
}

#endif

}  // namespace velmora
