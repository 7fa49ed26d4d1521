#pragma once
// Every picture parameter and mode selection of the program, with its
// start-up value. The run's own flags are apart (RunFlags).

#include <array>
#include <cstdint>
#include <string>

#include "complex.hpp"
#include "kinds.hpp"

namespace velmora {

// Whether the orbit constant is the pixel (Mandelbrot) or the Julia constant.
enum class SetKind : uint8_t { Julia, Mandelbrot };

enum class MappingKind : uint8_t { Normal = 0, Sphere = 1, Inversion = 2 };

// What the program knows of the run going on, apart from the picture.
struct RunFlags {
    bool Calculating = false;
    // Asked to stop after the column being committed.
    bool CancelRequested = false;
    // Faults of single pixels are shown ("Show exceptions").
    bool ShowExceptions = false;
};

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

    // The picture's last finished column; a stored picture carries it, so
    // that it can go on from there.
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
