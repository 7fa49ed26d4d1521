#include "parameter_reading.hpp"

#include "conversions.hpp"
#include "fault.hpp"
#include "stalks.hpp"
#include "trap_image.hpp"

namespace velmora {
namespace {

// Where a field's number goes.
void ReadField(const ParameterTexts& texts, TextField field, PictureParameters& p, RunNumbers* n) {
    const std::string& t = texts.text(field);
    switch (field) {
    case TextField::siz: p.siz = ParseInteger(t); break;
    case TextField::miter: p.miter = ParseInteger(t); break;
    case TextField::minit: n->minit = ParseLenientInteger(t); break;
    case TextField::maxmod: p.maxmod = ParseReal(t); break;
    case TextField::Rang: p.Rang = ParseReal(t); break;
    case TextField::xce: p.xce = ParseReal(t); break;
    case TextField::yce: p.yce = ParseReal(t); break;
    case TextField::cx: p.cx = ParseReal(t); break;
    case TextField::cy: p.cy = ParseReal(t); break;
    case TextField::p1: p.p1 = ParseReal(t); break;
    case TextField::p2: p.p2 = ParseReal(t); break;
    case TextField::p3: n->p3 = ParseReal(t); break;
    case TextField::amx: n->coefA.re = ParseReal(t); break;
    case TextField::amy: n->coefA.im = ParseReal(t); break;
    case TextField::bmx: n->coefB.re = ParseReal(t); break;
    case TextField::bmy: n->coefB.im = ParseReal(t); break;
    case TextField::cmx: n->coefC.re = ParseReal(t); break;
    case TextField::cmy: n->coefC.im = ParseReal(t); break;
    }
}

constexpr TextField kDialogOrder[] = {TextField::siz, TextField::cx, TextField::cy,    TextField::Rang,
                                      TextField::p2,  TextField::p1, TextField::miter};

constexpr TextField kRunOrder[] = {
    TextField::siz,   TextField::cx,  TextField::cy,  TextField::xce, TextField::yce, TextField::Rang,
    TextField::p2,    TextField::p1,  TextField::p3,  TextField::miter, TextField::amx, TextField::amy,
    TextField::bmx,   TextField::bmy, TextField::cmx, TextField::cmy, TextField::maxmod, TextField::minit,
};
static_assert(std::size(kRunOrder) == kTextFieldCount, "a run reads every text");

}  // namespace

int32_t HeightForWidth(int32_t siz) { return MulDiv(siz, 3, 4); }

void ReadDialogTexts(const ParameterTexts& texts, PictureParameters& params) {
    for (TextField f : kDialogOrder) ReadField(texts, f, params, nullptr);
}

void ReadRunTexts(const ParameterTexts& texts, PictureParameters& params, RunNumbers& numbers) {
    for (TextField f : kRunOrder) {
        ReadField(texts, f, params, &numbers);
        if (f == TextField::siz) params.sizy = HeightForWidth(params.siz);
    }
}

RunContext MakeRunContext(const PictureParameters& p, const RunNumbers& n, SetKind setKind) {
    RunContext rc;
    rc.siz = p.siz;
    rc.sizy = p.sizy;
    rc.xce = p.xce;
    rc.yce = p.yce;
    rc.FunctionKind = p.FunctionKind;
    rc.ffunc = p.ffunc;
    rc.mandelbrot = setKind == SetKind::Mandelbrot;
    rc.cx = p.cx;
    rc.cy = p.cy;
    rc.coefA = n.coefA;
    rc.coefB = n.coefB;
    rc.coefC = n.coefC;
    rc.CustomCode = p.CustomCode.data();
    rc.CustomCodeLength = p.CustomCodeLength;
    rc.u = p.u;
    rc.v = p.v;
    rc.w = p.w;
    rc.BailoutKind = p.BailoutKind;
    // The coefficient formula always runs with this bailout, whatever the text.
    rc.maxmod = p.FunctionKind == kFormulaCoefficients ? 1000.0L : p.maxmod;
    rc.miter = p.miter;
    rc.minit = n.minit;
    rc.StalkType = p.StalkType;
    rc.p1 = p.p1;
    rc.p2 = p.p2;
    rc.p3 = n.p3;
    rc.trapImage = &DefaultTrapImage();
    rc.sphere = p.sphere != 0;
    rc.inversion = p.inversion != 0;
    rc.invx = p.invx;
    rc.invy = p.invy;
    rc.invr = p.invr;

    ClearFloatFaults();
    rc.step = p.Rang / p.siz;
    SetTrapThresholds(rc);
    if (FloatFaultPending()) {
        const FaultKind kind = PendingFloatFault();
        ClearFloatFaults();
        throw FaultError(kind);
    }
    return rc;
}

}  // namespace velmora
