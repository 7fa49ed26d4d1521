#pragma once
// The x87 kernels' assembly, shared by the escape kernel (x87_lanes.cpp) and
// the trap kernel (x87_trap_lanes.cpp): three z^2+c lanes on the register
// stack, their checkpoints and repeat tests. Included by those two files
// only; the offsets are X87Block's, checked there.

#if defined(__x86_64__)

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
#define VELMORA_X87_PASS(A, A1, A2, CR, CI, SR, SI, PZ, EXIT, TEST, FILTER, TOP, C) \
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

// No further test after the escape test.
#define VELMORA_X87_NO_FILTER(PZ, EXIT)

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

// The whole run as one asm statement, with the escape test TEST and the
// test FILTER after it; PRELUDE sets up what FILTER reads (xmm3 to xmm5).
#define VELMORA_X87_RUN(TEST, FILTER, C, PRELUDE)                                \
    __asm__ __volatile__(                                                        \
        "mov 240(%[b]), %%rdx\n\t"                                               \
        "mov $0x7fffffffffffffff, %%rax\n\t"                                     \
        "movq %%rax, %%xmm2\n\t"                                                 \
        PRELUDE                                                                  \
        "mov %[every], %%ecx\n\t"                                                \
        "fldt 144(%[b])\n\t"                                                     \
        "fldt 128(%[b])\n\t"                                                     \
        "fldt 80(%[b])\n\t"                                                      \
        "fldt 64(%[b])\n\t"                                                      \
        "fldt 16(%[b])\n\t"                                                      \
        "fldt 0(%[b])\n\t"                                                       \
        ".p2align 4\n"                                                           \
        "1:\n\t"                                                                 \
        VELMORA_X87_PASS(0, 1, 2, "32", "48", "608", "624", "192", "10f", TEST, FILTER, VELMORA_X87_AT_0, C)                \
        VELMORA_X87_PASS(2, 3, 4, "96", "112", "640", "656", "208", "11f", TEST, FILTER, VELMORA_X87_AT_2, C)               \
        VELMORA_X87_PASS(4, 5, 6, "160", "176", "672", "688", "224", "12f", TEST, FILTER, VELMORA_X87_AT_4, C)              \
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
        : "rax", "rcx", "rdx", "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "cc", "memory", "st", "st(1)",  \
          "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)")

#endif
