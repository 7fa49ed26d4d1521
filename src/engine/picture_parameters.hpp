#pragma once
// Every picture parameter, mode selection and run-state flag of the program,
// with its start-up value.

#include <array>
#include <cstdint>
#include <string>

#include "complex.hpp"

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

enum class SetKind { Julia, Mandelbrot };

enum class MappingKind : uint8_t { Normal = 0, Sphere = 1, Inversion = 2 };

inline constexpr int kCustomCodeCapacity = 50;
inline constexpr int kCustomFormulaMaxLength = 255;

struct PictureParameters {
    int32_t siz = 0;
    int32_t sizy = 0;
    long double cx = 0.0L, cy = 0.0L;
    long double p1 = 0.0L;
    long double p2 = 0.0L;
    long double xce = 0.0L, yce = 0.0L;
    int32_t miter = 50;
    long double Rang = 0.0L;
    long double maxmod = 4.0L;
    uint8_t FunctionKind = kFormulaZ2;
    uint8_t ffunc = kFfuncIdent;
    uint8_t StalkType = kStalkCircle;
    uint8_t BailoutKind = kBailoutModulus;
    uint8_t sphere = 0;
    uint8_t inversion = 0;
    long double invx = 0.0L, invy = 0.0L;
    long double invr = 1.0L;
    std::string custfunc;
    Complex u, v, w;
    std::array<uint8_t, kCustomCodeCapacity> CustomCode{};
    uint8_t CustomCodeLength = 1;

    // Run-state flags.
    bool Calculating = false;
    bool CancelRequested = false;
    bool ShowExceptions = false;
    bool KeepBuffer = false;
    int32_t LastColumnDone = 10000;

    // The single mapping value stored with a picture: Sphere wins over
    // Inversion when both flags are set.
    MappingKind Mapping() const {
        if (sphere) return MappingKind::Sphere;
        if (inversion) return MappingKind::Inversion;
        return MappingKind::Normal;
    }
};

}  // namespace velmora
