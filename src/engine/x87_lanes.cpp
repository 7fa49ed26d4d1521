#include "x87_lanes.hpp"

#include <cstddef>

namespace velmora {

#if defined(__x86_64__)

// The assembly addresses the block by these offsets.
static_assert(sizeof(long double) == 16, "80-bit long double in 16 bytes");
static_assert(offsetof(X87Lane, zr) == 0 && offsetof(X87Lane, zi) == 16 && offsetof(X87Lane, cr) == 32 &&
              offsetof(X87Lane, ci) == 48 && offsetof(X87Lane, modulus) == 64 &&
              offsetof(X87Lane, remaining) == 80 && sizeof(X87Lane) == 96);
static_assert(offsetof(X87Block, maxmod) == 192);

bool HaveX87Lanes() { return true; }

// The stack holds lane 0 (zr, zi), lane 1 (zr, zi) and maxmod. One lane's
// pass, with its z at st(A), st(A+1):
//   T := zr*zr; U := zi*zi; M := T + U       the modulus of z
//   stop when M > maxmod, unordered, or no step is left
//   zr' := (T - U) + cr                       CMul's real part, then CAdd
//   zi' := (zi*zr + zi*zr) + ci               CMul's imaginary part (a sum of
//                                             two equal products), then CAdd
// A lane that stops keeps z and gets M as its modulus.
int RunX87Lanes(X87Block& block) {
    int stopped;
    __asm__ __volatile__(
        "mov 80(%[b]), %%r8\n\t"
        "mov 176(%[b]), %%r9\n\t"
        "fldt 192(%[b])\n\t"
        "fldt 112(%[b])\n\t"
        "fldt 96(%[b])\n\t"
        "fldt 16(%[b])\n\t"
        "fldt 0(%[b])\n\t"
        ".p2align 4\n"
        "1:\n\t"
        // Lane 0: z at st(0), st(1).
        "fld %%st(0)\n\t"  // T := zr
        "fmul %%st(0), %%st\n\t"  // T := zr*zr
        "fld %%st(2)\n\t"  // U := zi
        "fmul %%st(0), %%st\n\t"  // U := zi*zi
        "fld %%st(1)\n\t"  // M := T
        "fadd %%st(1), %%st\n\t"  // M := T + U
        "fucomip %%st(7), %%st\n\t"  // M against maxmod; M dropped
        "ja 10f\n\t"  // above
        "jp 10f\n\t"  // unordered
        "sub $1, %%r8\n\t"
        "jb 10f\n\t"  // no step left
        "fsubr %%st(1), %%st\n\t"  // T - U in U's place; T is dead
        "fldt 32(%[b])\n\t"  // cr
        "faddp %%st, %%st(1)\n\t"  // zr' on top
        "fxch %%st(2)\n\t"  // zr' into zr's slot, zr on top
        "fmulp %%st, %%st(3)\n\t"  // zi*zr into zi's slot
        "fxch %%st(2)\n\t"  // the product on top, the dead T in its slot
        "fadd %%st(0), %%st\n\t"  // sum of the two products
        "fldt 48(%[b])\n\t"  // ci
        "faddp %%st, %%st(1)\n\t"  // zi'
        "fstp %%st(2)\n\t"  // zi' into zi's slot
        // Lane 1: z at st(2), st(3); the same with the slots two further.
        "fld %%st(2)\n\t"
        "fmul %%st(0), %%st\n\t"
        "fld %%st(4)\n\t"
        "fmul %%st(0), %%st\n\t"
        "fld %%st(1)\n\t"
        "fadd %%st(1), %%st\n\t"
        "fucomip %%st(7), %%st\n\t"
        "ja 11f\n\t"
        "jp 11f\n\t"
        "sub $1, %%r9\n\t"
        "jb 11f\n\t"
        "fsubr %%st(1), %%st\n\t"
        "fldt 128(%[b])\n\t"
        "faddp %%st, %%st(1)\n\t"
        "fxch %%st(4)\n\t"
        "fmulp %%st, %%st(5)\n\t"
        "fxch %%st(4)\n\t"
        "fadd %%st(0), %%st\n\t"
        "fldt 144(%[b])\n\t"
        "faddp %%st, %%st(1)\n\t"
        "fstp %%st(4)\n\t"
        "jmp 1b\n"
        // A lane stopped: its modulus once more (T + U), then everything
        // back to memory.
        "10:\n\t"
        "fld %%st(1)\n\t"
        "fadd %%st(1), %%st\n\t"
        "fstpt 64(%[b])\n\t"
        "xor %[s], %[s]\n\t"
        "jmp 20f\n"
        "11:\n\t"
        "fld %%st(1)\n\t"
        "fadd %%st(1), %%st\n\t"
        "fstpt 160(%[b])\n\t"
        "mov $1, %[s]\n"
        "20:\n\t"
        "fstp %%st(0)\n\t"
        "fstp %%st(0)\n\t"
        "fstpt 0(%[b])\n\t"
        "fstpt 16(%[b])\n\t"
        "fstpt 96(%[b])\n\t"
        "fstpt 112(%[b])\n\t"
        "fstp %%st(0)\n\t"
        "mov %%r8, 80(%[b])\n\t"
        "mov %%r9, 176(%[b])\n\t"
        : [s] "=&r"(stopped)
        : [b] "r"(&block)
        : "r8", "r9", "cc", "memory", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
    return stopped;
}

#else

bool HaveX87Lanes() { return false; }
int RunX87Lanes(X87Block&) { return 0; }

#endif

}  // namespace velmora
