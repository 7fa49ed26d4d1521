#include "x87_trap_lanes.hpp"

#include <cmath>
#include <cstddef>

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

// The pass of x87_lanes.cpp (see there), with the filter FILTER after the
// escape test: both look at the doubles the pass has stored at PZ.
#define VELMORA_TRAP_PASS(A, A1, A2, CR, CI, SR, SI, PZ, EXIT, TEST, FILTER, TOP, C) \
    "fld %%st(" #A ")\n\t"                                                       \
    "fmul %%st(" #A2 "), %%st\n\t"                                               \
    "fadd %%st(0), %%st\n\t"                                                     \
    C(CI, SI)                                                                    \
    "faddp %%st, %%st(1)\n\t"                                                    \
    "fstl " PZ "+8(%[b])\n\t"                                                    \
    "fxch %%st(" #A2 ")\n\t"                                                     \
    "fmul %%st(0), %%st\n\t"                                                     \
    "fxch %%st(" #A1 ")\n\t"                                                     \
    "fmul %%st(0), %%st\n\t"                                                     \
    "fsubp %%st, %%st(" #A1 ")\n\t"                                              \
    C(CR, SR)                                                                    \
    "faddp %%st, %%st(" #A1 ")\n\t"                                              \
    TOP("fstl " PZ "(%[b])\n\t")                                                 \
    TEST(PZ)                                                                     \
    "movq %%xmm0, %%rax\n\t"                                                     \
    "cmp %%rdx, %%rax\n\t"                                                       \
    "jae " EXIT "\n\t"                                                           \
    FILTER(PZ, EXIT)

#define VELMORA_TRAP_C80(T, S) "fldt " T "(%[b])\n\t"
#define VELMORA_TRAP_C64(T, S) "fldl " S "(%[b])\n\tfaddl " S "+8(%[b])\n\t"
#define VELMORA_TRAP_AT_0(I) I
#define VELMORA_TRAP_AT_2(I) "fxch %%st(2)\n\t" I "fxch %%st(2)\n\t"
#define VELMORA_TRAP_AT_4(I) "fxch %%st(4)\n\t" I "fxch %%st(4)\n\t"

#define VELMORA_TRAP_MODULUS(PZ)                                                 \
    "movsd " PZ "(%[b]), %%xmm0\n\t"                                             \
    "mulsd %%xmm0, %%xmm0\n\t"                                                   \
    "movsd " PZ "+8(%[b]), %%xmm1\n\t"                                           \
    "mulsd %%xmm1, %%xmm1\n\t"                                                   \
    "addsd %%xmm1, %%xmm0\n\t"
#define VELMORA_TRAP_SUM_ABS(PZ)                                                 \
    "movsd " PZ "(%[b]), %%xmm0\n\t"                                             \
    "andpd %%xmm2, %%xmm0\n\t"                                                   \
    "movsd " PZ "+8(%[b]), %%xmm1\n\t"                                           \
    "andpd %%xmm2, %%xmm1\n\t"                                                   \
    "addsd %%xmm1, %%xmm0\n\t"

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

#define VELMORA_TRAP_SAME(NEW, OLD, EXIT)                                        \
    "mov " NEW "(%[b]), %%rax\n\t"                                               \
    "xor " OLD "(%[b]), %%rax\n\t"                                               \
    "mov " NEW "+16(%[b]), %%rcx\n\t"                                            \
    "xor " OLD "+16(%[b]), %%rcx\n\t"                                            \
    "or %%rcx, %%rax\n\t"                                                       \
    "movzwl " NEW "+8(%[b]), %%ecx\n\t"                                          \
    "xorw " OLD "+8(%[b]), %%cx\n\t"                                             \
    "or %%rcx, %%rax\n\t"                                                       \
    "movzwl " NEW "+24(%[b]), %%ecx\n\t"                                         \
    "xorw " OLD "+24(%[b]), %%cx\n\t"                                            \
    "or %%rcx, %%rax\n\t"                                                       \
    "jz " EXIT "\n\t"

#define VELMORA_TRAP_RENEW(NEW, WATCH)                                           \
    "subl $1, " WATCH "+32(%[b])\n\t"                                            \
    "jnz 3f\n\t"                                                                \
    "movdqu " NEW "(%[b]), %%xmm0\n\t"                                           \
    "movdqu %%xmm0, " WATCH "(%[b])\n\t"                                         \
    "movdqu " NEW "+16(%[b]), %%xmm0\n\t"                                        \
    "movdqu %%xmm0, " WATCH "+16(%[b])\n\t"                                      \
    "mov " WATCH "+36(%[b]), %%eax\n\t"                                          \
    "add %%eax, %%eax\n\t"                                                      \
    "mov %%eax, " WATCH "+36(%[b])\n\t"                                          \
    "mov %%eax, " WATCH "+32(%[b])\n"                                           \
    "3:\n\t"

// The run of x87_lanes.cpp with the filter FILTER.
#define VELMORA_TRAP_RUN(TEST, FILTER, C)                                        \
    __asm__ __volatile__(                                                        \
        "mov 240(%[b]), %%rdx\n\t"                                               \
        "mov $0x7fffffffffffffff, %%rax\n\t"                                     \
        "movq %%rax, %%xmm2\n\t"                                                 \
        "movsd 704(%[b]), %%xmm3\n\t"                                            \
        "movsd 712(%[b]), %%xmm4\n\t"                                            \
        "movsd 720(%[b]), %%xmm5\n\t"                                            \
        "mov %[every], %%ecx\n\t"                                                \
        "fldt 144(%[b])\n\t"                                                     \
        "fldt 128(%[b])\n\t"                                                     \
        "fldt 80(%[b])\n\t"                                                      \
        "fldt 64(%[b])\n\t"                                                      \
        "fldt 16(%[b])\n\t"                                                      \
        "fldt 0(%[b])\n\t"                                                       \
        ".p2align 4\n"                                                           \
        "1:\n\t"                                                                 \
        VELMORA_TRAP_PASS(0, 1, 2, "32", "48", "608", "624", "192", "10f", TEST, FILTER, VELMORA_TRAP_AT_0, C)      \
        VELMORA_TRAP_PASS(2, 3, 4, "96", "112", "640", "656", "208", "11f", TEST, FILTER, VELMORA_TRAP_AT_2, C)     \
        VELMORA_TRAP_PASS(4, 5, 6, "160", "176", "672", "688", "224", "12f", TEST, FILTER, VELMORA_TRAP_AT_4, C)    \
        "sub $1, %[n]\n\t"                                                       \
        "jz 19f\n\t"                                                             \
        "sub $1, %%ecx\n\t"                                                      \
        "jnz 1b\n\t"                                                             \
        "fld %%st(0)\n\t"                                                        \
        "fstpt 368(%[b])\n\t"                                                    \
        "fld %%st(1)\n\t"                                                        \
        "fstpt 384(%[b])\n\t"                                                    \
        "fld %%st(2)\n\t"                                                        \
        "fstpt 400(%[b])\n\t"                                                    \
        "fld %%st(3)\n\t"                                                        \
        "fstpt 416(%[b])\n\t"                                                    \
        "fld %%st(4)\n\t"                                                        \
        "fstpt 432(%[b])\n\t"                                                    \
        "fld %%st(5)\n\t"                                                        \
        "fstpt 448(%[b])\n\t"                                                    \
        VELMORA_TRAP_SAME("368", "256", "13f")                                   \
        VELMORA_TRAP_SAME("368", "464", "13f")                                   \
        VELMORA_TRAP_SAME("400", "288", "13f")                                   \
        VELMORA_TRAP_SAME("400", "512", "13f")                                   \
        VELMORA_TRAP_SAME("432", "320", "13f")                                   \
        VELMORA_TRAP_SAME("432", "560", "13f")                                   \
        VELMORA_TRAP_RENEW("368", "464")                                         \
        VELMORA_TRAP_RENEW("400", "512")                                         \
        VELMORA_TRAP_RENEW("432", "560")                                         \
        "movdqu 368(%[b]), %%xmm0\n\t"                                           \
        "movdqu %%xmm0, 256(%[b])\n\t"                                           \
        "movdqu 384(%[b]), %%xmm0\n\t"                                           \
        "movdqu %%xmm0, 272(%[b])\n\t"                                           \
        "movdqu 400(%[b]), %%xmm0\n\t"                                           \
        "movdqu %%xmm0, 288(%[b])\n\t"                                           \
        "movdqu 416(%[b]), %%xmm0\n\t"                                           \
        "movdqu %%xmm0, 304(%[b])\n\t"                                           \
        "movdqu 432(%[b]), %%xmm0\n\t"                                           \
        "movdqu %%xmm0, 320(%[b])\n\t"                                           \
        "movdqu 448(%[b]), %%xmm0\n\t"                                           \
        "movdqu %%xmm0, 336(%[b])\n\t"                                           \
        "mov %[n], 352(%[b])\n\t"                                                \
        "mov %[every], %%ecx\n\t"                                                \
        "jmp 1b\n"                                                               \
        "13:\n\t"                                                                \
        "mov %[repeated], %[s]\n\t"                                              \
        "jmp 20f\n"                                                              \
        "19:\n\t"                                                                \
        "mov $-1, %[s]\n\t"                                                      \
        "jmp 20f\n"                                                              \
        "10:\n\t"                                                                \
        "xor %[s], %[s]\n\t"                                                     \
        "jmp 20f\n"                                                              \
        "11:\n\t"                                                                \
        "mov $1, %[s]\n\t"                                                       \
        "jmp 20f\n"                                                              \
        "12:\n\t"                                                                \
        "mov $2, %[s]\n"                                                         \
        "20:\n\t"                                                                \
        "fstpt 0(%[b])\n\t"                                                      \
        "fstpt 16(%[b])\n\t"                                                     \
        "fstpt 64(%[b])\n\t"                                                     \
        "fstpt 80(%[b])\n\t"                                                     \
        "fstpt 128(%[b])\n\t"                                                    \
        "fstpt 144(%[b])\n\t"                                                    \
        : [s] "=&r"(stopped), [n] "+r"(left)                                     \
        : [b] "r"(&block), [every] "i"(kX87CheckpointPasses), [repeated] "i"(kX87Repeated) \
        : "rax", "rcx", "rdx", "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "cc", "memory", "st", "st(1)",  \
          "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)")

// Each escape test and way of adding c with the filter.
#define VELMORA_TRAP_RUN_ANY(FILTER)                                              \
    if (escape == X87Escape::SumOfAbs) {                                         \
        if (split) VELMORA_TRAP_RUN(VELMORA_TRAP_SUM_ABS, FILTER, VELMORA_TRAP_C64);  \
        else VELMORA_TRAP_RUN(VELMORA_TRAP_SUM_ABS, FILTER, VELMORA_TRAP_C80);        \
    } else {                                                                     \
        if (split) VELMORA_TRAP_RUN(VELMORA_TRAP_MODULUS, FILTER, VELMORA_TRAP_C64);  \
        else VELMORA_TRAP_RUN(VELMORA_TRAP_MODULUS, FILTER, VELMORA_TRAP_C80);        \
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
