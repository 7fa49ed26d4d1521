#pragma once
// The one place where the parameter texts become numbers. The dialog's OK
// and the start of a run read different fields in different orders; both go
// through here, field by field, so that a text is read the same way
// wherever it is read. The first text that is not a number throws its
// conversion fault; the fields read before it keep their new values.

#include <cstdint>

#include "complex.hpp"
#include "parameter_texts.hpp"
#include "picture_parameters.hpp"
#include "run_context.hpp"

namespace velmora {

// sizy for a width: three quarters, halves away from zero.
int32_t HeightForWidth(int32_t siz);

// The numbers a run reads that PictureParameters does not keep.
struct RunNumbers {
    long double p3 = 0.0L;
    Complex coefA, coefB, coefC;
    int32_t minit = 0;
};

// OK of the parameters dialog: siz, cx, cy, Rang, p2, p1, miter.
void ReadDialogTexts(const ParameterTexts& texts, PictureParameters& params);

// The start of a run: siz (and sizy from it), cx, cy, xce, yce, Rang, p2,
// p1, p3, miter, the coefficients, maxmod and, leniently, minit.
void ReadRunTexts(const ParameterTexts& texts, PictureParameters& params, RunNumbers& numbers);

// The constants of one run from what was read: geometry, formula inputs,
// escape test, stalk thresholds and mappings. Throws the floating-point
// fault of the pixel size or a threshold, if one is raised.
RunContext MakeRunContext(const PictureParameters& params, const RunNumbers& numbers, SetKind setKind);

}  // namespace velmora
