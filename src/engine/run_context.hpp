#pragma once
// Per-run constants and per-pixel orbit state, shared by the driver, the
// formulas, the stalk tests and the custom formula evaluator.

#include <cstdint>

#include "colour_value.hpp"
#include "complex.hpp"
#include "kinds.hpp"

namespace velmora {

class TrapImage;

struct RunContext {
    // Picture geometry and view.
    int32_t siz = 0, sizy = 0;
    long double xce = 0.0L, yce = 0.0L;
    long double step = 0.0L;  // plane units per pixel, both axes

    // Formula inputs.
    uint8_t FunctionKind = kFormulaZ2;
    uint8_t ffunc = kFfuncIdent;
    bool mandelbrot = false;
    long double cx = 0.0L, cy = 0.0L;
    Complex coefA, coefB, coefC;
    const uint8_t* CustomCode = nullptr;  // compiled custom formula
    int CustomCodeLength = 0;
    Complex u, v, w;  // constants of the custom formula

    // Escape test and limits.
    uint8_t BailoutKind = kBailoutModulus;
    long double maxmod = 4.0L;
    int32_t miter = 50;
    int32_t minit = 0;

    // Stalks.
    uint8_t StalkType = kStalkNone;
    long double p1 = 0.0L, p2 = 0.0L, p3 = 0.0L;
    long double trapRadius = 0.0L, trapWidth = 0.0L, trapTolerance = 0.0L;
    // The slope types' quotient beyond which the arctangent certainly
    // reaches trapRadius (infinite: never taken as certain).
    long double slopeBeyond = __builtin_infl();
    // Modulus Diff.'s root of maxmod, made once where making it raises no
    // flag (the checked rule still makes its own, to meet its fault).
    bool maxmodRootMade = false;
    long double maxmodRoot = 0.0L;
    const TrapImage* trapImage = nullptr;

    // Mappings.
    bool sphere = false;
    bool inversion = false;
    long double invx = 0.0L, invy = 0.0L, invr = 1.0L;
};

struct OrbitState {
    Complex z;
    Complex c;
    int32_t iteration = 1;
    long double modulus = 0.0L;
    long double previousModulus = 0.0L;
    Complex lastZ{1.0L, 10.0L};
    Complex secondLastZ{1.0L, 10.0L};
    Complex pokornyZ;
    bool trapHit = false;
    long double trapValue = 0.0L;
    int32_t lastTested = 0;
    int32_t circleCount = 0;
    bool imageHit = false;
    ColourValue imageColour;
    ColourValue pixelColour = ColourValue::Index(kCaughtEntry);

    // The state every pixel starts from, at plane point (x, y).
    static OrbitState Reset(long double x, long double y) {
        OrbitState o;
        o.z = Complex{x, y};
        o.pokornyZ = o.z;
        return o;
    }
};

}  // namespace velmora
