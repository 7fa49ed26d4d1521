#pragma once
// Every picture parameter, mode selection and run-state flag of the program,
// with its start-up value.

#include <array>
#include <cstdint>
#include <string>

#include "complex.hpp"
#include "kinds.hpp"

namespace velmora {

// Whether the orbit constant is the pixel (Mandelbrot) or the Julia constant.
enum class SetKind : uint8_t { Julia, Mandelbrot };

enum class MappingKind : uint8_t { Normal = 0, Sphere = 1, Inversion = 2 };

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
