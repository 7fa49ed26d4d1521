#include "plane_navigation.hpp"

#include <cmath>

#include "conversions.hpp"
#include "fault.hpp"
#include "pixel.hpp"

namespace velmora {
namespace {

RunContext MappingOf(const ViewGeometry& g, long double rang) {
    RunContext rc;
    rc.siz = g.siz;
    rc.sizy = g.sizy;
    rc.xce = g.xce;
    rc.yce = g.yce;
    // The run's own step: the range over the width, rounded once.
    rc.step = rang / g.siz;
    return rc;
}

// Throws the pending fault of the arithmetic since the flags were cleared.
void CheckFaults() {
    if (FloatFaultPending()) {
        const FaultKind kind = PendingFloatFault();
        ClearFloatFaults();
        throw FaultError(kind);
    }
}

long double ScaledRange(long double rang, int notches) {
    ClearFloatFaults();
    const long double scaled = std::ldexp(rang, -notches);
    if (!std::isfinite(scaled) || scaled == 0.0L) throw FaultError(FaultKind::FloatOverflow);
    CheckFaults();
    return scaled;
}

}  // namespace

ViewGeometry ShownGeometry(const ProgramState& s) {
    ViewGeometry g;
    g.siz = s.PictureBitmap.width();
    g.sizy = s.PictureBitmap.height();
    g.xoff = s.xoff;
    g.yoff = s.yoff;
    g.xce = s.params.xce;
    g.yce = s.params.yce;
    g.Rang = s.params.Rang;
    return g;
}

PlanePosition PlanePointAt(const ViewGeometry& g, int windowX, int windowY) {
    if (g.empty()) throw FaultError(FaultKind::RangeCheck);
    ClearFloatFaults();
    const RunContext rc = MappingOf(g, g.Rang);
    CheckFaults();
    PlanePosition p;
    PlanePoint(rc, windowX - g.xoff, windowY - g.yoff, p.x, p.y);
    return p;
}

ViewCentre ZoomedAbout(const ViewGeometry& g, int windowX, int windowY, int notches) {
    const PlanePosition anchor = PlanePointAt(g, windowX, windowY);
    ViewCentre v;
    v.Rang = ScaledRange(g.Rang, notches);
    ClearFloatFaults();
    const RunContext rc = MappingOf(g, v.Rang);
    // The anchor's pixel lies at the same offset from the centre pixel as
    // before, one new step each.
    const long double dx = static_cast<long double>((windowX - g.xoff) - g.siz / 2) * rc.step;
    const long double dy = static_cast<long double>((windowY - g.yoff) - g.sizy / 2) * rc.step;
    v.xce = anchor.x - dx;
    v.yce = anchor.y - dy;
    CheckFaults();
    return v;
}

ViewCentre ZoomedAboutCentre(const ViewGeometry& g, int notches) {
    if (g.empty()) throw FaultError(FaultKind::RangeCheck);
    return {g.xce, g.yce, ScaledRange(g.Rang, notches)};
}

ViewCentre Moved(const ViewGeometry& g, long double dxPixels, long double dyPixels) {
    if (g.empty()) throw FaultError(FaultKind::RangeCheck);
    ClearFloatFaults();
    const RunContext rc = MappingOf(g, g.Rang);
    ViewCentre v{g.xce + dxPixels * rc.step, g.yce + dyPixels * rc.step, g.Rang};
    CheckFaults();
    return v;
}

std::string ExactFixed(long double value, int width, int decimals) {
    // A binary fraction always ends in decimal; far below one it takes many
    // digits, so the search speeds up once the usual lengths are passed.
    std::string text = FormatFixed(value, width, decimals);
    for (int d = decimals; d <= 20000; d += d < 80 ? 1 : 40) {
        text = FormatFixed(value, width, d);
        try {
            if (ParseReal(text) == value) return text;
        } catch (const FaultError&) {
            ClearFloatFaults();
        }
    }
    return text;
}

void WriteViewCentre(ProgramState& s, const ViewCentre& v) {
    s.texts.setText(TextField::Rang, ExactFixed(v.Rang, 20, 17));
    s.texts.setText(TextField::xce, ExactFixed(v.xce, 20, 18));
    s.texts.setText(TextField::yce, ExactFixed(v.yce, 20, 18));
    s.params.Rang = v.Rang;
    s.params.xce = v.xce;
    s.params.yce = v.yce;
}

}  // namespace velmora
