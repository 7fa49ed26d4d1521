#pragma once
// The custom formula compiled for the fast kernel. It is compiled afresh for
// every column the lanes compute, twice: LanesApply compiles it to learn
// whether the lanes can run it, and the column compiles it again to run it
// (a few dozen codes, next to a column of orbits). The postfix
// codes become three-address instructions over fixed value slots, so an
// orbit step dispatches once per instruction (for a whole batch of orbits)
// and never looks at a token code or a stack height. Pushes cost nothing:
// an operand names the slot of z, c, u, v, w or a digit directly. Every
// instruction has a slot of its own, so the instructions that read only c,
// the constants and each other run once per orbit instead of once per step:
// they give the same value at every step, and a fault of theirs raises the
// flags that send the orbit to the checked path just the same.
//
// Each instruction makes exactly the calls the interpreter (custom_eval.hpp)
// makes for its token, on the same values in the same order, so the results
// are the same bit for bit. Only programs that can never meet a range fault
// compile; the others stay with the interpreter, which reports the fault
// where it happens.

#include <array>
#include <cstdint>

#include "complex.hpp"
#include "kinds.hpp"

namespace velmora {

// Operand slots: z, c, u, v, w, the digits 0..9, then one per instruction.
enum CustomSlot : uint8_t { kSlotZ = 0, kSlotC = 1, kSlotU = 2, kSlotV = 3, kSlotW = 4, kSlotDigit0 = 5 };
inline constexpr int kSlotResult0 = kSlotDigit0 + 10;
inline constexpr int kCustomSlots = kSlotResult0 + kCustomCodeCapacity;

enum class CustomOp : uint8_t {
    Add, Sub, Mul, Div, Power,  // two operands
    Sin, Cos, Tan, Exp, Sqr, Sinh, Cosh, Tanh, Sqrt,
    // A product a*b and, with the operand x, the sum or difference that is
    // its only use, without storing the product between them.
    MulAdd, MulSub,
};

struct CustomInstruction {
    CustomOp op;
    uint8_t target, a, b;  // b only for the two-operand operations
    uint8_t x = 0;         // the other operand of a fused sum or difference
    bool productFirst = true;  // product + x (or - x); else x + product
};

struct CustomProgram {
    // The instructions that read neither z nor anything made from z come
    // first; each group keeps the program's order.
    std::array<CustomInstruction, kCustomCodeCapacity> code{};
    int invariants = 0, length = 0;
    uint8_t result = kSlotZ;  // the slot holding the new z
};

// False when the codes may meet a range fault (too many values, an operator
// short of operands, nothing left, a length beyond the code array).
bool CompileCustomProgram(const uint8_t* codes, int length, CustomProgram& program);

// Whether a step of the program is z*z + k (or k + z*z) with k made once per
// orbit: the product and sum of the built-in z^2+c, with k in place of c.
// `constant` gets the slot of k.
bool IsSquarePlusConstant(const CustomProgram& program, uint8_t& constant);

// The values of a batch of kLanes orbits, slot by slot.
template <int kLanes>
struct CustomLaneValues {
    Complex value[kCustomSlots][kLanes];

    // u, v, w and the digits, the same for every orbit of the run.
    void setConstants(const Complex& u, const Complex& v, const Complex& w) {
        for (int l = 0; l < kLanes; ++l) {
            value[kSlotU][l] = u;
            value[kSlotV][l] = v;
            value[kSlotW][l] = w;
            for (int d = 0; d < 10; ++d) value[kSlotDigit0 + d][l] = Complex{static_cast<long double>(d), 0.0L};
        }
    }
};

// Once per orbit, when lane `lane` has its c: the instructions that do not
// depend on z.
template <int kLanes>
void RunCustomInvariants(const CustomProgram& program, CustomLaneValues<kLanes>& lanes, int lane);

// One orbit step of every lane: runs the rest of the program and sets z
// from the result slot. Faults stay in the sticky flags.
template <int kLanes>
void RunCustomProgram(const CustomProgram& program, CustomLaneValues<kLanes>& lanes);

extern template void RunCustomInvariants<4>(const CustomProgram&, CustomLaneValues<4>&, int);
extern template void RunCustomInvariants<1>(const CustomProgram&, CustomLaneValues<1>&, int);
extern template void RunCustomProgram<4>(const CustomProgram&, CustomLaneValues<4>&);
extern template void RunCustomProgram<1>(const CustomProgram&, CustomLaneValues<1>&);

}  // namespace velmora
