// The pixel function on any run constants.
//
// The input chooses a run as the driver would set it up (formula 0..20, the
// custom one with a random program, stalk 0..12, escape test, mappings, set
// kind, and reals from everyday values to the ends of the extended range),
// then a few pixels. The fast pixel must equal the checked one in
// everything: plot position, colour, faults, steps and the orbit state the
// colour rules saw. Then the first pixel's whole column: the column kernel
// (lanes where the run allows them, the x87 ones included) and the portable
// lanes must give every row as the one-pixel path does. The orbit limits
// are kept small so that a case runs fast.

#include <array>
#include <cstdint>
#include <string>

#include "column.hpp"
#include "conversions.hpp"
#include "formula_table.hpp"
#include "fuzz_support.hpp"
#include "lane_column.hpp"
#include "pixel.hpp"
#include "stalk_table.hpp"
#include "stalks.hpp"
#include "trap_image.hpp"

namespace velmora {
namespace {

using fuzz::Show;

constexpr int kPixels = 3;

struct Case {
    RunContext rc;
    long double Rang = 0.0L;
    std::array<uint8_t, kCustomCodeCapacity> code{};
    int col[kPixels]{}, row[kPixels]{};
};

// The run constants in the driver's way: the step from the range and the
// width, the trap thresholds from p1..p3, maxmod 1000 for the first formula.
// False when the driver would not start the run.
bool ReadCase(fuzz::ByteReader& in, Case& k) {
    RunContext& rc = k.rc;
    // A few values past the last record stand for what only a loaded
    // picture can carry.
    rc.FunctionKind = static_cast<uint8_t>(in.range(0, kHighestFormulaKind + 3));
    rc.StalkType = static_cast<uint8_t>(in.range(0, kHighestStalkType + 1));
    rc.BailoutKind = static_cast<uint8_t>(in.range(0, 2));
    const uint8_t modes = in.byte();
    rc.mandelbrot = (modes & 1) != 0;
    rc.sphere = (modes & 2) != 0;
    rc.inversion = (modes & 4) != 0;
    rc.ffunc = static_cast<uint8_t>(in.range(0, 3));
    rc.siz = in.range(1, 120);
    rc.sizy = MulDiv(rc.siz, 3, 4);
    rc.miter = in.range(-2, 200);
    rc.minit = in.range(-2, 30);

    rc.xce = in.real();
    rc.yce = in.real();
    k.Rang = in.real();
    rc.cx = in.real();
    rc.cy = in.real();
    rc.maxmod = rc.FunctionKind == kFormulaCoefficients ? 1000.0L : in.real();
    rc.p1 = in.real();
    rc.p2 = in.real();
    rc.p3 = in.real();
    rc.coefA = in.complex();
    rc.coefB = in.complex();
    rc.coefC = in.complex();
    rc.u = in.complex();
    rc.v = in.complex();
    rc.w = in.complex();
    rc.invx = in.real();
    rc.invy = in.real();
    rc.invr = in.real();
    for (int i = 0; i < kPixels; ++i) {
        k.col[i] = in.range(0, rc.siz - 1);
        k.row[i] = in.range(0, rc.sizy - 1);
    }
    // Codes 32 and 33 stand for the codes the evaluator ignores.
    rc.CustomCodeLength = in.range(0, kCustomCodeCapacity + 1);
    for (auto& c : k.code) c = static_cast<uint8_t>(in.byte() % 34);
    rc.CustomCode = k.code.data();

    rc.trapImage = &DefaultTrapImage();
    // A run whose step or thresholds overflow stops before its first pixel.
    ClearFloatFaults();
    rc.step = k.Rang / rc.siz;
    SetTrapThresholds(rc);
    const bool runs = !FloatFaultPending();
    ClearFloatFaults();
    return runs;
}

std::string Describe(const Case& k, int col, int row) {
    const RunContext& rc = k.rc;
    std::string s = "formula " + fuzz::FormulaName(rc.FunctionKind) + ", ffunc " + std::to_string(rc.ffunc) +
                    ", stalk " + fuzz::StalkName(rc.StalkType) + ", bailout " + std::to_string(rc.BailoutKind) +
                    (rc.mandelbrot ? ", Mandelbrot" : ", Julia") + (rc.sphere ? ", sphere" : "") +
                    (rc.inversion ? ", inversion" : "") + "\nsiz " + std::to_string(rc.siz) + ", miter " +
                    std::to_string(rc.miter) + ", minit " + std::to_string(rc.minit) + ", pixel (" +
                    std::to_string(col) + ", " + std::to_string(row) + ")";
    s += "\nxce " + Show(rc.xce) + "\nyce " + Show(rc.yce) + "\nRang " + Show(k.Rang) + "\ncx " + Show(rc.cx) +
         "\ncy " + Show(rc.cy) + "\nmaxmod " + Show(rc.maxmod) + "\np1 " + Show(rc.p1) + "\np2 " + Show(rc.p2) +
         "\np3 " + Show(rc.p3);
    if (rc.FunctionKind == kFormulaCoefficients)
        s += "\na " + Show(rc.coefA) + "\nb " + Show(rc.coefB) + "\nc " + Show(rc.coefC);
    if (rc.inversion) s += "\ninversion " + Show(rc.invx) + ", " + Show(rc.invy) + " radius " + Show(rc.invr);
    if (rc.FunctionKind == kFormulaCustom) {
        s += "\ncustom length " + std::to_string(rc.CustomCodeLength) + ":";
        for (int i = 0; i < rc.CustomCodeLength && i < kCustomCodeCapacity; ++i) s += " " + std::to_string(k.code[i]);
        s += "\nu " + Show(rc.u) + "\nv " + Show(rc.v) + "\nw " + Show(rc.w);
    }
    return s;
}

// The first field in which the two outcomes differ, or an empty text.
std::string Difference(const PixelOutcome& a, const PixelOutcome& b, const RunContext& rc) {
    const OrbitState &x = a.orbit, &y = b.orbit;
    if (a.px != b.px || a.py != b.py) return "plot position";
    if (a.orbitFault != b.orbitFault)
        return "orbit fault: fast '" + fuzz::FaultName(a.orbitFault) + "', checked '" + fuzz::FaultName(b.orbitFault) + "'";
    if (a.colourFault != b.colourFault)
        return "colour fault: fast '" + fuzz::FaultName(a.colourFault) + "', checked '" + fuzz::FaultName(b.colourFault) +
               "'";
    if (a.steps != b.steps) return "steps: fast " + std::to_string(a.steps) + ", checked " + std::to_string(b.steps);
    if (!(a.colour == b.colour))
        return "colour: fast " + std::to_string(a.colour.value) + ", checked " + std::to_string(b.colour.value);
    if (!fuzz::SameBits(x.z, y.z)) return "z: fast " + Show(x.z) + ", checked " + Show(y.z);
    if (!fuzz::SameBits(x.c, y.c)) return "c";
    if (x.iteration != y.iteration) return "iteration";
    if (!fuzz::SameBits(x.modulus, y.modulus)) return "modulus: fast " + Show(x.modulus) + ", checked " + Show(y.modulus);
    if (!fuzz::SameBits(x.pokornyZ, y.pokornyZ)) return "pokornyZ";
    if (!fuzz::SameBits(x.secondLastZ, y.secondLastZ)) return "secondLastZ";
    // Only the types that need them get lastZ and previousModulus on the fast
    // path; with the others nothing reads them.
    if (NeedsHistory(rc) && (!fuzz::SameBits(x.lastZ, y.lastZ) || !fuzz::SameBits(x.previousModulus, y.previousModulus)))
        return "lastZ or previousModulus";
    if (x.trapHit != y.trapHit || !fuzz::SameBits(x.trapValue, y.trapValue)) return "trap";
    if (x.lastTested != y.lastTested || x.circleCount != y.circleCount) return "lastTested or circleCount";
    if (x.imageHit != y.imageHit || !(x.imageColour == y.imageColour)) return "image trap";
    if (!(x.pixelColour == y.pixelColour)) return "pixelColour";
    return {};
}

// Faults outside both regions (the plane point itself) are thrown.
bool Compute(PixelOutcome (*pixel)(const RunContext&, int, int), const RunContext& rc, int col, int row,
             PixelOutcome& out, FaultKind& thrown) {
    try {
        out = pixel(rc, col, row);
        return true;
    } catch (const FaultError& e) {
        thrown = e.kind();
        ClearFloatFaults();
        return false;
    }
}

// The first row where a column differs from the one made pixel by pixel.
std::string ColumnDifference(const ColumnOutcome& a, const ColumnOutcome& reference) {
    if (a.stoppedBy != reference.stoppedBy) return "stopped by '" + fuzz::FaultName(a.stoppedBy) + "'";
    if (a.pixels.size() != reference.pixels.size()) return "row count " + std::to_string(a.pixels.size());
    for (size_t row = 0; row < a.pixels.size(); ++row) {
        const PlottedPixel &x = a.pixels[row], &y = reference.pixels[row];
        if (!(x == y))
            return "row " + std::to_string(row) + ": colour " + std::to_string(x.colour.value) + " against " +
                   std::to_string(y.colour.value) + ", steps " + std::to_string(x.steps) + " against " +
                   std::to_string(y.steps) + ", faults '" + fuzz::FaultName(x.orbitFault) + "'/'" +
                   fuzz::FaultName(x.colourFault) + "' against '" + fuzz::FaultName(y.orbitFault) + "'/'" +
                   fuzz::FaultName(y.colourFault) + "'";
    }
    return {};
}

void CheckColumn(const Case& k) {
    const int col = k.col[0];
    ColumnOutcome reference, fast;
    ComputeColumnPixelByPixel(k.rc, col, reference);
    ComputeColumn(k.rc, col, fast);
    std::string difference = ColumnDifference(fast, reference);
    if (difference.empty() && LanesApply(k.rc)) {
        ColumnOutcome portable;
        ComputeColumnInPortableLanes(k.rc, col, portable);
        difference = ColumnDifference(portable, reference);
        if (!difference.empty()) difference = "portable lanes, " + difference;
        ColumnOutcome kernel;
        ComputeColumnInX87TrapLanes(k.rc, col, kernel);
        if (difference.empty()) {
            difference = ColumnDifference(kernel, reference);
            if (!difference.empty()) difference = "x87 trap lanes, " + difference;
        }
    }
    if (!difference.empty()) fuzz::Fail("column differs in " + difference + "\n" + Describe(k, col, 0));
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    fuzz::ByteReader in(data, size);
    Case k;
    if (!ReadCase(in, k)) return 0;
    for (int i = 0; i < kPixels; ++i) {
        PixelOutcome fast, checked;
        FaultKind fastThrown = FaultKind::None, checkedThrown = FaultKind::None;
        const bool fastRan = Compute(ComputePixel, k.rc, k.col[i], k.row[i], fast, fastThrown);
        const bool checkedRan = Compute(ComputePixelChecked, k.rc, k.col[i], k.row[i], checked, checkedThrown);
        if (fastRan != checkedRan || fastThrown != checkedThrown)
            fuzz::Fail("plane point fault: fast '" + fuzz::FaultName(fastThrown) + "', checked '" +
                       fuzz::FaultName(checkedThrown) + "'\n" + Describe(k, k.col[i], k.row[i]));
        if (!fastRan) continue;
        const std::string difference = Difference(fast, checked, k.rc);
        if (!difference.empty())
            fuzz::Fail("pixel differs in " + difference + "\n" + Describe(k, k.col[i], k.row[i]));
    }
    CheckColumn(k);
    return 0;
}
