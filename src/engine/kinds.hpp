#pragma once
// The values that select a formula, a stalk test, an escape test and the f of
// 1/f(z*z+c), as pictures store them, and the limits of the custom formula.

#include <cstdint>

namespace velmora {

// Iteration formulas (the value stored in FunctionKind).
enum FunctionKindValue : uint8_t {
    kFormulaCoefficients = 0,  // az^2+b/(z^2)+c*pixel
    kFormulaZPowZ = 1,         // z^z+z^4-z+c
    kFormulaCSin = 2,          // csin(z)
    kFormulaZ2 = 3,            // z^2+c
    kFormulaZ3 = 4,            // z^3+c
    kFormulaZ7 = 5,            // z^7+c
    kFormulaRecipF = 6,        // 1/f(z*z+c)
    kFormulaRecipZ2 = 7,       // 1/z^2+c
    kFormulaRecipZC2 = 8,      // 1/(z+c)^2
    kFormulaRecipZ3 = 9,       // 1/z^3+c
    kFormulaRecipZ3C = 10,     // 1/(z^3+c)
    kFormulaCCos = 11,         // c*cos(z)
    kFormulaCExp = 12,         // cexp(z)
    kFormulaSinh = 13,         // sinhz+c
    kFormulaCTanh = 14,        // c*tanh(z)
    kFormulaPokorny = 15,      // Pokorny Equations
    kFormulaNewton = 16,       // Newton step for z^3 = 1 (no menu item)
    kFormulaCustom = 17,       // Custom
};

enum StalkTypeValue : uint8_t {
    kStalkNone = 0,
    kStalkCross = 1,
    kStalkCircle = 2,
    kStalkAnnulus = 3,
    kStalkConverge = 4,
    kStalkSlope1 = 5,
    kStalkSlope2 = 6,
    kStalkModulusDiff = 7,
    kStalkSquareBand = 8,
    kStalkImage = 9,
    kStalkMedian = 10,
    kStalkHypercross = 11,
};

enum BailoutKindValue : uint8_t { kBailoutModulus = 0, kBailoutSumAbs = 1 };

enum FfuncValue : uint8_t { kFfuncIdent = 0, kFfuncSin = 1, kFfuncCos = 2 };

inline constexpr int kCustomCodeCapacity = 50;
inline constexpr int kCustomFormulaMaxLength = 255;

}  // namespace velmora
