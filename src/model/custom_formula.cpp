#include "custom_formula.hpp"

#include "conversions.hpp"
#include "fault.hpp"

namespace velmora {

void ConfirmCustomFormula(ProgramState& state, UserPrompts& prompts, const std::string& dialogText) {
    state.params.custfunc = CutText(dialogText, kCustomFormulaMaxLength);
    ShowStatus(state, prompts, state.params.custfunc);
}

CustomCompileOutcome ReadAndCompileCustomFormula(ProgramState& state, UserPrompts& prompts,
                                                 const CustomConstantTexts& constants) {
    PictureParameters& p = state.params;
    try {
        // Braced initialisers are evaluated left to right: real part first.
        p.u = Complex{ParseReal(constants.uccx), ParseReal(constants.uccy)};
        p.v = Complex{ParseReal(constants.vccx), ParseReal(constants.vccy)};
        p.w = Complex{ParseReal(constants.wccx), ParseReal(constants.wccy)};
    } catch (const FaultError& e) {
        ReportError(state, prompts, e);
        return CustomCompileOutcome::BadConstant;
    }

    // The conversion flushes its operator stack only at a closing bracket,
    // so the whole text goes inside one more pair. Only the compiled copy
    // gets it: a stored pair would pile up each time the item runs without
    // its dialog confirmed (or a custom picture loads), until the formula
    // no longer fits.
    const std::string wrapped = CutText("(" + p.custfunc + ")", kCustomFormulaMaxLength);

    const FormulaDiagnosis result =
        CompileFormula(wrapped, p.CustomCode, p.CustomCodeLength, [&] { ShowStatus(state, prompts, ""); });
    if (!result.ok()) {
        prompts.messageBox(kInvalidFormulaMessage, kInvalidFormulaCaption, MessageButtons::Ok, MessageIcon::None);
        return CustomCompileOutcome::Rejected;
    }
    ShowStatus(state, prompts, CustomCodeText(p.CustomCode.data(), p.CustomCodeLength));
    return CustomCompileOutcome::Compiled;
}

void CustomFormulaCompiler::readCustomFormula(ChosenBy choice) {
    if (choice == ChosenBy::Menu)
        if (const std::optional<std::string> text = dialog_.askCustomFormula()) ConfirmCustomFormula(s_, prompts_, *text);
    lastOutcome = ReadAndCompileCustomFormula(s_, prompts_, dialog_.constantTexts());
}

}  // namespace velmora
