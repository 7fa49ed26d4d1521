#include "options.hpp"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include "conversions.hpp"
#include "custom_formula.hpp"
#include "fault.hpp"
#include "headless_session.hpp"
#include "mode_actions.hpp"
#include "render_driver.hpp"
#include "startup.hpp"

namespace velmora {
namespace {

// A bad option, missing value or unknown caption (exit status 2).
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Session : HeadlessSession {
    std::string rawPath;
    bool stats = false;
    // What the custom formula dialog would hold.
    std::string customFormula = kCustomFormulaInitialText;
    bool customGiven = false;
    CustomConstantTexts customConstants;
};

// Options are applied in phases so that their order on the command line does
// not matter: the set kind first (the Mandelbrot item rewrites many texts),
// then the modes, then the texts.
enum Phase { kSetKind = 0, kModes = 1, kTexts = 2 };

struct OptionSpec {
    const char* name;
    const char* argument;  // nullptr for a flag
    const char* help;
    Phase phase;
    std::function<void(Session&, const std::string&)> apply;
};

std::vector<std::string> SplitList(const std::string& value, size_t count, const std::string& option) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(value);
    while (std::getline(in, part, ',')) parts.push_back(part);
    if (value.empty() || value.back() == ',') parts.push_back("");
    if (parts.size() != count)
        throw UsageError(option + " needs " + std::to_string(count) + " values separated by commas");
    return parts;
}

// Sets a dialog text after checking it the way the dialog's OK would.
auto IntegerText(TextField field) {
    return [field](Session& s, const std::string& v) {
        ParseInteger(v);
        s.state.texts.setText(field, v);
    };
}
auto RealText(TextField field) {
    return [field](Session& s, const std::string& v) {
        ParseReal(v);
        s.state.texts.setText(field, v);
    };
}
auto RealPair(TextField fx, TextField fy, const char* option) {
    return [fx, fy, option](Session& s, const std::string& v) {
        const auto parts = SplitList(v, 2, option);
        ParseReal(parts[0]);
        ParseReal(parts[1]);
        s.state.texts.setText(fx, parts[0]);
        s.state.texts.setText(fy, parts[1]);
    };
}

// A constant of the custom formula, kept as the dialog's two texts.
auto ConstantPair(std::string CustomConstantTexts::*re, std::string CustomConstantTexts::*im, const char* option) {
    return [re, im, option](Session& s, const std::string& v) {
        const auto parts = SplitList(v, 2, option);
        ParseReal(parts[0]);
        ParseReal(parts[1]);
        s.customConstants.*re = parts[0];
        s.customConstants.*im = parts[1];
    };
}

// "Custom" as the menu item does it, with its dialog confirmed: false when
// the formula does not compile (the message is the last one shown).
bool CompileCustomFormula(Session& s) {
    s.actions.FunctionItem(kFormulaCustom);
    ConfirmCustomFormula(s.state, s.host, s.customFormula);
    return ReadAndCompileCustomFormula(s.state, s.host, s.customConstants) == CustomCompileOutcome::Compiled;
}

// A value given as a number, or as the caption of one of a menu's items.
int MenuValue(Session& s, size_t topPosition, const std::string& v, const std::string& option) {
    for (auto& item : s.state.menu.mainMenu().child(topPosition).children)
        if (item->caption == v && item->value >= 0) return item->value;
    try {
        const int n = ParseInteger(v);
        if (n >= 0 && n <= 255) return n;
    } catch (const FaultError&) {
    }
    throw UsageError(option + ": unknown value '" + v + "'");
}

void ApplyFunction(Session& s, const std::string& v) {
    const int kind = MenuValue(s, kMenuFunction, v, "--function");
    if (s.actions.FunctionMenuItem(static_cast<uint8_t>(kind)))
        s.actions.FunctionItem(static_cast<uint8_t>(kind));
    else
        s.state.params.FunctionKind = static_cast<uint8_t>(kind);  // no menu item: as a loaded picture would
}

void ApplyStalk(Session& s, const std::string& v) {
    const int type = MenuValue(s, kMenuStalktype, v, "--stalk");
    if (type != kStalkImage && s.actions.StalkMenuItem(static_cast<uint8_t>(type)))
        s.actions.StalkItem(static_cast<uint8_t>(type));
    else
        s.state.params.StalkType = static_cast<uint8_t>(type);
}

void ApplyChoice(const std::string& v, const std::string& option, std::initializer_list<const char*> names,
                 const std::function<void(uint8_t)>& apply) {
    uint8_t index = 0;
    for (const char* name : names) {
        if (v == name) return apply(index);
        ++index;
    }
    throw UsageError(option + ": unknown value '" + v + "'");
}

const std::vector<OptionSpec>& Options() {
    static const std::vector<OptionSpec> options = {
        {"--size", "N", "picture width in pixels (height is three quarters)", kTexts, IntegerText(TextField::siz)},
        {"--iterations", "N", "maximum iterations", kTexts, IntegerText(TextField::miter)},
        {"--min-iterations", "N", "minimum iterations (read leniently, as the dialog does)", kTexts,
         [](Session& s, const std::string& v) { s.state.texts.setText(TextField::minit, v); }},
        {"--bailout", "X", "bailout value of the escape test", kTexts, RealText(TextField::maxmod)},
        {"--range", "X", "width of the view in plane units", kTexts, RealText(TextField::Rang)},
        {"--centre", "X,Y", "centre of the view", kTexts, RealPair(TextField::xce, TextField::yce, "--centre")},
        {"--julia", "X,Y", "Julia constant", kTexts, RealPair(TextField::cx, TextField::cy, "--julia")},
        {"--p1", "X", "stalk parameter 1 (radius of the orbit test shell)", kTexts, RealText(TextField::p1)},
        {"--p2", "X", "stalk parameter 2 (thickness of the orbit test shell)", kTexts, RealText(TextField::p2)},
        {"--p3", "X", "stalk parameter 3 (also scales the escape colours)", kTexts, RealText(TextField::p3)},
        {"--coef-a", "X,Y", "coefficient a of az^2+b/(z^2)+c*pixel", kTexts,
         RealPair(TextField::amx, TextField::amy, "--coef-a")},
        {"--coef-b", "X,Y", "coefficient b", kTexts, RealPair(TextField::bmx, TextField::bmy, "--coef-b")},
        {"--coef-c", "X,Y", "coefficient c", kTexts, RealPair(TextField::cmx, TextField::cmy, "--coef-c")},
        {"--mandelbrot", nullptr, "Mandelbrot set (as the Mandelbrot menu item; default Julia)", kSetKind,
         [](Session& s, const std::string&) { s.actions.Mandelbrot(); }},
        {"--function", "N|CAPTION", "iteration formula, by number or menu caption (default z^2+c)", kModes,
         ApplyFunction},
        {"--stalk", "N|CAPTION", "stalk type, by number or menu caption (default Circle)", kModes, ApplyStalk},
        {"--bailout-test", "modulus|sumabs", "escape test", kModes,
         [](Session& s, const std::string& v) {
             ApplyChoice(v, "--bailout-test", {"modulus", "sumabs"}, [&](uint8_t k) { s.actions.BailoutItem(k); });
         }},
        {"--ffunc", "ident|sin|cos", "the f of 1/f(z*z+c); selects that formula, as its sub-menu does", kModes,
         [](Session& s, const std::string& v) {
             ApplyChoice(v, "--ffunc", {"ident", "sin", "cos"}, [&](uint8_t k) {
                 // The f items are reached by opening the formula's sub-menu,
                 // which chooses the formula first.
                 s.actions.FunctionItem(kFormulaRecipF);
                 s.actions.FfuncItem(k);
             });
         }},
        {"--sphere", nullptr, "Sphere mapping", kModes, [](Session& s, const std::string&) { s.actions.Sphere(); }},
        {"--inversion", nullptr, "Inversion mapping", kModes,
         [](Session& s, const std::string&) { s.actions.Inversion(); }},
        {"--inversion-circle", "X,Y,R", "centre and radius of the inversion circle", kModes,
         [](Session& s, const std::string& v) {
             const auto parts = SplitList(v, 3, "--inversion-circle");
             const long double x = ParseReal(parts[0]), y = ParseReal(parts[1]), r = ParseReal(parts[2]);
             s.state.params.invx = x;
             s.state.params.invy = y;
             s.state.params.invr = r;
         }},
        {"--raw", "FILE", "write the picture buffer (width x height bytes, row-major)", kTexts,
         [](Session& s, const std::string& v) { s.rawPath = v; }},
        {"--custom", "TEXT", "custom formula over z, c, u, v, w and digits (selects Custom)", kModes,
         [](Session& s, const std::string& v) {
             s.customFormula = v;
             s.customGiven = true;
         }},
        {"--u", "X,Y", "constant u of the custom formula", kTexts,
         ConstantPair(&CustomConstantTexts::uccx, &CustomConstantTexts::uccy, "--u")},
        {"--v", "X,Y", "constant v of the custom formula", kTexts,
         ConstantPair(&CustomConstantTexts::vccx, &CustomConstantTexts::vccy, "--v")},
        {"--w", "X,Y", "constant w of the custom formula", kTexts,
         ConstantPair(&CustomConstantTexts::wccx, &CustomConstantTexts::wccy, "--w")},
        {"--stats", nullptr, "print the picture size, orbit steps made and seconds", kTexts,
         [](Session& s, const std::string&) { s.stats = true; }},
    };
    return options;
}

void PrintHelp(std::ostream& out) {
    out << "Usage: velmora-render [options]\n"
           "Renders one picture headlessly with the same parameters and driver as the window.\n"
           "Defaults are the program's start-up state (Julia set, z^2+c, Circle stalks).\n\n";
    for (const OptionSpec& o : Options()) {
        std::string head = std::string("  ") + o.name + (o.argument ? std::string(" ") + o.argument : "");
        if (head.size() < 34) head.resize(34, ' ');
        else head += "  ";
        out << head << o.help << '\n';
    }
    out << "  --help                          this text\n";
}

bool WriteRaw(const Session& s, std::ostream& err) {
    std::ofstream file(s.rawPath, std::ios::binary | std::ios::trunc);
    const auto& bytes = s.state.buffer.bytes;
    if (file) file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        err << "Cannot write " << s.rawPath << '\n';
        return false;
    }
    return true;
}

}  // namespace

int RunRenderer(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Session s;

    struct Pending {
        const OptionSpec* spec;
        std::string value;
    };
    std::vector<Pending> pending;
    try {
        for (size_t i = 0; i < args.size(); ++i) {
            if (args[i] == "--help") {
                PrintHelp(out);
                return 0;
            }
            const auto& options = Options();
            auto it = std::find_if(options.begin(), options.end(),
                                   [&](const OptionSpec& o) { return args[i] == o.name; });
            if (it == options.end()) throw UsageError("unknown option " + args[i] + " (see --help)");
            std::string value;
            if (it->argument) {
                if (i + 1 >= args.size()) throw UsageError(std::string(it->name) + " needs a value");
                value = args[++i];
            }
            pending.push_back({&*it, value});
        }
        std::stable_sort(pending.begin(), pending.end(),
                         [](const Pending& a, const Pending& b) { return a.spec->phase < b.spec->phase; });
        for (const Pending& p : pending) p.spec->apply(s, p.value);
    } catch (const UsageError& e) {
        err << e.what() << '\n';
        return 2;
    } catch (const FaultError& e) {
        err << e.what() << ".\n";
        return 2;
    }
    if ((s.customGiven || s.state.params.FunctionKind == kFormulaCustom) && !CompileCustomFormula(s)) {
        err << s.host.messages.back().text << '\n';
        return 2;
    }

    const auto start = std::chrono::steady_clock::now();
    s.driver.Runclick();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const bool completed = s.state.statusText == "Picture completed.";
    // A set-up fault leaves the status line as it was; its message is the result.
    if (!completed && !s.host.messages.empty() && s.state.statusText == "Initialising....")
        out << s.host.messages.back().text << '\n';
    else
        out << s.state.statusText << '\n';
    for (const auto& m : s.host.messages)
        if (m.buttons == MessageButtons::Ok && s.state.statusText != "Initialising....") err << m.text << '\n';
    if (s.stats) {
        out << "size " << s.state.params.siz << "x" << s.state.params.sizy << "\n"
            << "orbit steps " << s.driver.orbitSteps() << "\n"
            << "seconds " << seconds << "\n";
    }
    if (!s.rawPath.empty() && s.state.buffer.present && !WriteRaw(s, err)) return 1;
    return completed ? 0 : 1;
}

}  // namespace velmora
