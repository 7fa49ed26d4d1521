#include "x87_lanes.hpp"

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstring>

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

// One lane's pass, its z at st(A), st(A+1); six registers hold the three
// orbits, which leaves two for temporaries:
//   P := zr*zi; zi' := (P + P) + ci       CMul's imaginary part (a sum of two
//                                         equal products), then CAdd
//   U := zi*zi; T := zr*zr                squares made in place
//   zr' := (T - U) + cr                   CMul's real part, then CAdd
// Each new part is stored as a double on its way (`fstl`; zr' is brought to
// the top for it and back, TOP), and the escape test of the new z is made on
// those doubles in the SSE unit, away from the x87 one (TEST). The sum is
// tested as an unsigned integer: a positive double orders as its bits, and
// every NaN lies above every finite threshold. Testing the z the pass has
// just made, rather than the one it squared, leaves a stopped lane holding
// the z to test exactly: nothing has to be made again.
// (GNU as spells the reversed subtraction `fsubp`: the result is T - U.)
#define VELMORA_X87_PASS(A, A1, A2, CR, CI, SR, SI, PZ, EXIT, TEST, TOP, C)       \
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
    "jae " EXIT "\n\t"

// A part of c pushed: its long double, or the sum of its split.
#define VELMORA_X87_C80(T, S) "fldt " T "(%[b])\n\t"
#define VELMORA_X87_C64(T, S) "fldl " S "(%[b])\n\tfaddl " S "+8(%[b])\n\t"

// An instruction on st(A): the first lane's is there already; the others'
// are brought to the top and back.
#define VELMORA_X87_AT_0(I) I
#define VELMORA_X87_AT_2(I) "fxch %%st(2)\n\t" I "fxch %%st(2)\n\t"
#define VELMORA_X87_AT_4(I) "fxch %%st(4)\n\t" I "fxch %%st(4)\n\t"

// The escape tests' sums in xmm0, from the new z's parts as doubles at PZ:
// the squared modulus, or the sum of the absolute values (xmm2 holds the
// mask that clears the sign).
#define VELMORA_X87_MODULUS(PZ)                                                  \
    "movsd " PZ "(%[b]), %%xmm0\n\t"                                             \
    "mulsd %%xmm0, %%xmm0\n\t"                                                   \
    "movsd " PZ "+8(%[b]), %%xmm1\n\t"                                           \
    "mulsd %%xmm1, %%xmm1\n\t"                                                   \
    "addsd %%xmm1, %%xmm0\n\t"
#define VELMORA_X87_SUM_ABS(PZ)                                                  \
    "movsd " PZ "(%[b]), %%xmm0\n\t"                                             \
    "andpd %%xmm2, %%xmm0\n\t"                                                   \
    "movsd " PZ "+8(%[b]), %%xmm1\n\t"                                           \
    "andpd %%xmm2, %%xmm1\n\t"                                                   \
    "addsd %%xmm1, %%xmm0\n\t"

// Jumps to EXIT when the point at NEW (zr, then zi 16 bytes on) has the same
// ten bytes in each part as the point at OLD. Bits, not values: -0 and +0
// step on differently. Uses rax and rcx.
#define VELMORA_X87_SAME(NEW, OLD, EXIT)                                         \
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

// Counts a lane's checkpoint in its watch at WATCH; at the last of its
// interval the lane's point at NEW becomes the reference and the interval
// doubles. Uses eax, xmm0.
#define VELMORA_X87_RENEW(NEW, WATCH)                                            \
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

// The whole run as one asm statement, with the escape test TEST.
#define VELMORA_X87_RUN(TEST, C)                                                    \
    __asm__ __volatile__(                                                        \
        "mov 240(%[b]), %%rdx\n\t"                                               \
        "mov $0x7fffffffffffffff, %%rax\n\t"                                     \
        "movq %%rax, %%xmm2\n\t"                                                 \
        "mov %[every], %%ecx\n\t"                                                \
        "fldt 144(%[b])\n\t"                                                     \
        "fldt 128(%[b])\n\t"                                                     \
        "fldt 80(%[b])\n\t"                                                      \
        "fldt 64(%[b])\n\t"                                                      \
        "fldt 16(%[b])\n\t"                                                      \
        "fldt 0(%[b])\n\t"                                                       \
        ".p2align 4\n"                                                           \
        "1:\n\t"                                                                 \
        VELMORA_X87_PASS(0, 1, 2, "32", "48", "608", "624", "192", "10f", TEST, VELMORA_X87_AT_0, C)                \
        VELMORA_X87_PASS(2, 3, 4, "96", "112", "640", "656", "208", "11f", TEST, VELMORA_X87_AT_2, C)               \
        VELMORA_X87_PASS(4, 5, 6, "160", "176", "672", "688", "224", "12f", TEST, VELMORA_X87_AT_4, C)              \
        "sub $1, %[n]\n\t"                                                       \
        "jz 19f\n\t"                                                             \
        "sub $1, %%ecx\n\t"                                                      \
        "jnz 1b\n\t"                                                             \
        /* The checkpoint: each register copied and stored, the stack as it */ \
        /* was; first to the scratch, to be compared with the one before. */   \
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
        VELMORA_X87_SAME("368", "256", "13f")                                    \
        VELMORA_X87_SAME("368", "464", "13f")                                    \
        VELMORA_X87_SAME("400", "288", "13f")                                    \
        VELMORA_X87_SAME("400", "512", "13f")                                    \
        VELMORA_X87_SAME("432", "320", "13f")                                    \
        VELMORA_X87_SAME("432", "560", "13f")                                    \
        VELMORA_X87_RENEW("368", "464")                                          \
        VELMORA_X87_RENEW("400", "512")                                          \
        VELMORA_X87_RENEW("432", "560")                                          \
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
        : "rax", "rcx", "rdx", "xmm0", "xmm1", "xmm2", "cc", "memory", "st", "st(1)", "st(2)", "st(3)", \
          "st(4)", "st(5)", "st(6)", "st(7)")

int RunX87Lanes(X87Block& block, int64_t passes, int64_t& done, X87Escape escape, bool split) {
    int stopped;
    int64_t left = passes;
    if (escape == X87Escape::SumOfAbs) {
        if (split) VELMORA_X87_RUN(VELMORA_X87_SUM_ABS, VELMORA_X87_C64);
        else VELMORA_X87_RUN(VELMORA_X87_SUM_ABS, VELMORA_X87_C80);
    } else {
        if (split) VELMORA_X87_RUN(VELMORA_X87_MODULUS, VELMORA_X87_C64);
        else VELMORA_X87_RUN(VELMORA_X87_MODULUS, VELMORA_X87_C80);
    }
    done = passes - left;
    return stopped;
}

#undef VELMORA_X87_RUN
#undef VELMORA_X87_PASS
#undef VELMORA_X87_MODULUS
#undef VELMORA_X87_SUM_ABS
#undef VELMORA_X87_AT_0
#undef VELMORA_X87_C80
#undef VELMORA_X87_C64
#undef VELMORA_X87_AT_2
#undef VELMORA_X87_AT_4
#undef VELMORA_X87_SAME
#undef VELMORA_X87_RENEW

#else

bool HaveX87Lanes() { return false; }
int RunX87Lanes(X87Block&, int64_t, int64_t& done, X87Escape, bool) {
    done = 0;
    return -1;
}

#endif

}  // namespace velmora
