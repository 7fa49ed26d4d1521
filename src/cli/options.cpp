#include "options.hpp"

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "bmp_writer.hpp"
#include "conversions.hpp"
#include "custom_formula.hpp"
#include "fault.hpp"
#include "file_stream.hpp"
#include "formula_table.hpp"
#include "headless_session.hpp"
#include "mode_actions.hpp"
#include "palette_file.hpp"
#include "render_driver.hpp"
#include "stalk_table.hpp"

namespace velmora {
namespace {

// A bad option, missing value or unknown caption (exit status 2).
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A picture file named by --from was refused or could not be read (exit
// status 1); one line for each message.
struct RefusedFile : std::runtime_error {
    explicit RefusedFile(std::vector<std::string> why) : std::runtime_error(why.front()), lines(std::move(why)) {}
    std::vector<std::string> lines;
};

struct Renderer : HeadlessSession {
    std::string rawPath, gifPath, fromPath, savePalettePath, bmpPath;
    bool stats = false;
    bool customGiven = false;
    bool sizeGiven = false;
    // Options that change the picture, as opposed to loading or writing it:
    // a loaded picture is then rendered anew rather than continued.
    bool pictureOptions = false;
    // What --from loaded.
    LoadOutcome loaded;
};

// Options are applied in phases so that their order on the command line does
// not matter: a picture to load first, then the set kind (the Mandelbrot item
// rewrites many texts), then the modes, then the texts; the outputs last.
enum Phase { kLoad = 0, kSetKind = 1, kModes = 2, kTexts = 3, kOutput = 4 };

struct OptionDef {
    const char* name;
    const char* argument;  // nullptr for a flag
    const char* help;
    Phase phase;
    std::function<void(Renderer&, const std::string&)> apply;
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
    return [field](Renderer& s, const std::string& v) {
        ParseInteger(v);
        s.state.texts.setText(field, v);
    };
}
auto RealText(TextField field) {
    return [field](Renderer& s, const std::string& v) {
        ParseReal(v);
        s.state.texts.setText(field, v);
    };
}
auto RealPair(TextField fx, TextField fy, const char* option) {
    return [fx, fy, option](Renderer& s, const std::string& v) {
        const auto parts = SplitList(v, 2, option);
        ParseReal(parts[0]);
        ParseReal(parts[1]);
        s.state.texts.setText(fx, parts[0]);
        s.state.texts.setText(fy, parts[1]);
    };
}

auto OutputPath(std::string Renderer::*path, const char* option) {
    return [path, option](Renderer& s, const std::string& v) {
        if (v.empty()) throw UsageError(std::string(option) + ": the file name is empty");
        s.*path = v;
    };
}

// A palette file's marks in place of the palette's (or the loaded
// picture's): a picture option, so a loaded picture is rendered anew.
void LoadPalette(Renderer& s, const std::string& path) {
    try {
        s.state.palette.marks = LoadPaletteFile(path, s.state.palette.marks);
    } catch (const PaletteFileError& e) {
        throw UsageError(std::string("--palette: ") + e.what());
    } catch (const FaultError& e) {
        throw UsageError("--palette: cannot read '" + path + "': " + e.what());
    }
}

// A constant of the custom formula, kept as the dialog's two texts.
auto ConstantPair(std::string CustomConstantTexts::*re, std::string CustomConstantTexts::*im, const char* option) {
    return [re, im, option](Renderer& s, const std::string& v) {
        const auto parts = SplitList(v, 2, option);
        ParseReal(parts[0]);
        ParseReal(parts[1]);
        s.host.customFormula.constants.*re = parts[0];
        s.host.customFormula.constants.*im = parts[1];
    };
}

// "Custom" as the menu item does it, with its dialog confirmed: false when
// the formula does not compile (the message is the last one shown).
bool CompileCustomFormula(Renderer& s) {
    s.actions.FunctionItem(kFormulaCustom);
    return s.customFormula.lastOutcome == CustomCompileOutcome::Compiled;
}


// As "Load from GIF..." loads a picture, continuing it if it was not
// finished, unless other options are to render it anew.
void LoadPicture(Renderer& s, const std::string& path) {
    if (path.empty()) throw UsageError("--from: the file name is empty");
    s.fromPath = path;
    s.host.messages.clear();
    try {
        s.loaded = s.files.LoadGif(path, s.pictureOptions ? LoadIntent::KeepAsLoaded : LoadIntent::ContinueUnfinished);
        if (s.loaded.loaded()) return;
    } catch (const FaultError& e) {
        throw RefusedFile({"--from: cannot read '" + path + "': " + e.what()});
    }
    std::vector<std::string> lines;
    for (const auto& m : s.host.messages) lines.push_back("--from: '" + path + "': " + m.text);
    throw RefusedFile(lines);
}

// A value given as a number up to the highest a record has, or as the caption
// of one of the records. A loaded picture may hold larger values; the
// command line offers only those that mean something.
template <class Record>
int MenuValue(std::span<const Record> records, uint8_t Record::*value, const std::string& v,
              const std::string& option) {
    int highest = 0;
    for (const Record& r : records) {
        if (r.caption && r.caption == v) return r.*value;
        highest = std::max<int>(highest, r.*value);
    }
    int n = -1;
    try {
        n = ParseInteger(v);
    } catch (const FaultError&) {
        throw UsageError(option + ": unknown value '" + v + "'");
    }
    if (n < 0 || n > highest)
        throw UsageError(option + ": " + v + " is out of range (0 to " + std::to_string(highest) + ")");
    return n;
}

void ApplyFunction(Renderer& s, const std::string& v) {
    const auto kind = static_cast<uint8_t>(MenuValue<FormulaRecord>(kFormulas, &FormulaRecord::kind, v, "--function"));
    const FormulaRecord* r = FindFormula(kind);
    if (r && r->hasMenuItem())
        s.actions.FunctionItem(kind);
    else
        s.state.params.FunctionKind = kind;  // no menu item: as a loaded picture would
}

void ApplyStalk(Renderer& s, const std::string& v) {
    const auto type = static_cast<uint8_t>(MenuValue<StalkRecord>(kStalks, &StalkRecord::type, v, "--stalk"));
    const StalkRecord* r = FindStalk(type);
    if (r && r->visible)
        s.actions.StalkItem(type);
    else
        s.state.params.StalkType = type;  // a hidden item has no action
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

// Far more threads than cores only costs memory and switching.
constexpr int kMostThreads = 256;

const std::string& ThreadsHelp() {
    static const std::string help = "threads computing columns (default " + std::to_string(DefaultThreadCount()) +
                                    ", the cores of this machine)";
    return help;
}

const std::string& FunctionHelp() {
    static const std::string help = "iteration formula, by number (0 to " + std::to_string(kHighestFormulaKind) +
                                    ") or menu caption (default " + FindFormula(kFormulaZ2)->caption + ")";
    return help;
}

const std::string& StalkHelp() {
    static const std::string help = "stalk type, by number (0 to " + std::to_string(kHighestStalkType) +
                                    ") or menu caption (default " + FindStalk(kStalkCircle)->caption + ")";
    return help;
}

const std::vector<OptionDef>& Options() {
    static const std::vector<OptionDef> options = {
        {"--size", "N", "picture width in pixels (height is three quarters)", kTexts,
         [](Renderer& s, const std::string& v) {
             IntegerText(TextField::siz)(s, v);
             s.sizeGiven = true;
         }},
        {"--iterations", "N", "maximum iterations", kTexts, IntegerText(TextField::miter)},
        {"--min-iterations", "N", "minimum iterations (read leniently, as the dialog does)", kTexts,
         [](Renderer& s, const std::string& v) { s.state.texts.setText(TextField::minit, v); }},
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
         [](Renderer& s, const std::string&) { s.actions.Mandelbrot(); }},
        {"--function", "N|CAPTION", FunctionHelp().c_str(), kModes, ApplyFunction},
        {"--stalk", "N|CAPTION", StalkHelp().c_str(), kModes, ApplyStalk},
        {"--bailout-test", "modulus|sumabs", "escape test", kModes,
         [](Renderer& s, const std::string& v) {
             ApplyChoice(v, "--bailout-test", {"modulus", "sumabs"}, [&](uint8_t k) { s.actions.BailoutItem(k); });
         }},
        {"--ffunc", "ident|sin|cos", "the f of 1/f(z*z+c); selects that formula, as its sub-menu does", kModes,
         [](Renderer& s, const std::string& v) {
             ApplyChoice(v, "--ffunc", {"ident", "sin", "cos"}, [&](uint8_t k) {
                 // The f items are reached by opening the formula's sub-menu,
                 // which chooses the formula first.
                 s.actions.FunctionItem(kFormulaRecipF);
                 s.actions.FfuncItem(k);
             });
         }},
        {"--sphere", nullptr, "Sphere mapping", kModes, [](Renderer& s, const std::string&) { s.actions.Sphere(); }},
        {"--inversion", nullptr, "Inversion mapping", kModes,
         [](Renderer& s, const std::string&) { s.actions.Inversion(); }},
        {"--inversion-circle", "X,Y,R", "centre and radius of the inversion circle", kModes,
         [](Renderer& s, const std::string& v) {
             const auto parts = SplitList(v, 3, "--inversion-circle");
             const long double x = ParseReal(parts[0]), y = ParseReal(parts[1]), r = ParseReal(parts[2]);
             s.state.params.invx = x;
             s.state.params.invy = y;
             s.state.params.invr = r;
         }},
        {"--raw", "FILE", "write the picture buffer (width x height bytes, row-major)", kOutput,
         OutputPath(&Renderer::rawPath, "--raw")},
        {"--gif", "FILE", "write the picture as a GIF with its palette and parameters (as Save as GIF...)",
         kOutput, OutputPath(&Renderer::gifPath, "--gif")},
        {"--bmp", "FILE", "write the picture as an 8-bit BMP file in its palette's colours", kOutput,
         OutputPath(&Renderer::bmpPath, "--bmp")},
        {"--palette", "FILE", "colour the picture with a palette file's marked entries (.vmp)", kTexts, LoadPalette},
        {"--save-palette", "FILE", "write the palette's marked entries as a palette file (.vmp)", kOutput,
         OutputPath(&Renderer::savePalettePath, "--save-palette")},
        {"--from", "FILE", "load a saved GIF first (as Load from GIF...); other picture options then change it "
                           "and render it anew", kLoad, LoadPicture},
        {"--custom", "TEXT", "custom formula over z, c, u, v, w and digits (selects Custom)", kModes,
         [](Renderer& s, const std::string& v) {
             s.host.customFormula.text = v;
             s.customGiven = true;
         }},
        {"--u", "X,Y", "constant u of the custom formula", kTexts,
         ConstantPair(&CustomConstantTexts::uccx, &CustomConstantTexts::uccy, "--u")},
        {"--v", "X,Y", "constant v of the custom formula", kTexts,
         ConstantPair(&CustomConstantTexts::vccx, &CustomConstantTexts::vccy, "--v")},
        {"--w", "X,Y", "constant w of the custom formula", kTexts,
         ConstantPair(&CustomConstantTexts::wccx, &CustomConstantTexts::wccy, "--w")},
        {"--stats", nullptr, "print the picture size, the orbits' steps and seconds", kOutput,
         [](Renderer& s, const std::string&) { s.stats = true; }},
        {"--threads", "N", ThreadsHelp().c_str(), kOutput,
         [](Renderer& s, const std::string& v) {
             const int n = ParseInteger(v);
             if (n < 1 || n > kMostThreads)
                 throw UsageError("--threads: " + v + " is out of range (1 to " + std::to_string(kMostThreads) + ")");
             s.driver.setThreads(n);
         }},
    };
    return options;
}

void PrintHelp(std::ostream& out) {
    out << "Usage: velmora-render [options]\n"
           "Renders one picture headlessly with the same parameters and driver as the window.\n"
           "Defaults are the program's start-up state (Julia set, z^2+c, Circle stalks).\n\n";
    for (const OptionDef& o : Options()) {
        std::string head = std::string("  ") + o.name + (o.argument ? std::string(" ") + o.argument : "");
        if (head.size() < 34) head.resize(34, ' ');
        else head += "  ";
        out << head << o.help << '\n';
    }
    out << "  --help                          this text\n";
}

void Report(std::ostream& err, const std::string& message) { err << "velmora-render: " << message << '\n'; }

// A fault of the run, with the option it comes from where that is known.
std::string WithOption(const Renderer& s, const RunFault& fault) {
    return fault.pictureSize && s.sizeGiven ? "--size: " + fault.message : fault.message;
}

// Reads the command line into the session; false when it asked for help
// (printed). Throws UsageError or FaultError for a bad option or value.
bool ApplyOptions(const std::vector<std::string>& args, Renderer& s, std::ostream& out) {
    struct Pending {
        const OptionDef* def;
        std::string value;
    };
    std::vector<Pending> pending;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help") {
            PrintHelp(out);
            return false;
        }
        const auto& options = Options();
        auto it = std::find_if(options.begin(), options.end(), [&](const OptionDef& o) { return args[i] == o.name; });
        if (it == options.end()) throw UsageError("unknown option " + args[i] + " (see --help)");
        std::string value;
        if (it->argument) {
            if (i + 1 >= args.size()) throw UsageError(std::string(it->name) + " needs a value");
            value = args[++i];
        }
        pending.push_back({&*it, value});
    }
    std::stable_sort(pending.begin(), pending.end(),
                     [](const Pending& a, const Pending& b) { return a.def->phase < b.def->phase; });
    for (const Pending& p : pending)
        if (p.def->phase != kLoad && p.def->phase != kOutput) s.pictureOptions = true;
    for (const Pending& p : pending) p.def->apply(s, p.value);
    return true;
}

// Standard output is an output too: a full disk there is a failure.
int Finish(std::ostream& out, std::ostream& err, int status) {
    out.flush();
    if (out) return status;
    Report(err, "cannot write to standard output");
    return status == 0 ? 1 : status;
}

}  // namespace

int RunRenderer(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Renderer s;
    try {
        if (!ApplyOptions(args, s, out)) return Finish(out, err, 0);
    } catch (const UsageError& e) {
        Report(err, e.what());
        return 2;
    } catch (const FaultError& e) {
        Report(err, std::string(e.what()) + ".");
        return 2;
    } catch (const RefusedFile& e) {
        for (const std::string& line : e.lines) Report(err, line);
        return 1;
    }
    // A loaded picture is written as it is (continued if it was not
    // finished) unless other options change it.
    const bool render = s.fromPath.empty() || s.pictureOptions;
    if (render && (s.customGiven || s.state.params.FunctionKind == kFormulaCustom) && !CompileCustomFormula(s)) {
        Report(err, (s.customGiven ? "--custom: " : "--function: ") + s.host.messages.back().text);
        return 2;
    }
    // Made beside the named file now, so a place that cannot be written costs
    // no rendering time; it replaces the file only once it is whole.
    std::unique_ptr<FileSink> raw, gif, bmp, palette;
    for (auto [sink, path, option] :
         {std::tuple{&raw, &s.rawPath, "--raw"}, std::tuple{&gif, &s.gifPath, "--gif"},
          std::tuple{&bmp, &s.bmpPath, "--bmp"}, std::tuple{&palette, &s.savePalettePath, "--save-palette"}}) {
        try {
            if (!path->empty()) *sink = std::make_unique<FileSink>(*path);
        } catch (const FileWriteError& e) {
            Report(err, std::string(option) + ": " + e.what());
            return 1;
        }
    }

    // The run is this one, or the one that continued the loaded picture.
    const RunOutcome run = render ? s.driver.Runclick() : s.loaded.continuation;
    const bool completed = run.completed() || (!render && s.loaded.finished);
    // A set-up fault draws nothing and says so only on standard error.
    const bool drew = run.drew() || completed;
    if (drew) out << RunEndText(completed ? RunEnd::Completed : run.end) << '\n';
    for (const RunFault& fault : run.faults) Report(err, WithOption(s, fault));
    if (s.stats && drew) {
        out << "size " << s.state.params.siz << "x" << s.state.params.sizy << "\n"
            << "orbit steps " << run.orbitSteps << "\n"
            << "seconds " << run.seconds << "\n";
    }
    int status = completed && run.faults.empty() ? 0 : 1;
    // Only a whole picture replaces what a file held; the marks do not wait
    // for one.
    const auto write = [&](std::unique_ptr<FileSink>& sink, const char* option, bool needsPicture, auto&& fill) {
        if (!sink || (needsPicture && !completed)) return;
        try {
            fill(*sink);
            sink->commit();
        } catch (const FileWriteError& e) {
            Report(err, std::string(option) + ": " + e.what());
            status = 1;
        }
    };
    const auto bytes = [](ByteSink& sink, const auto& data) { sink.write(data.data(), data.size()); };
    write(raw, "--raw", true, [&](FileSink& sink) { bytes(sink, s.state.buffer.bytes); });
    write(gif, "--gif", true, [&](FileSink& sink) { s.files.SaveGif(sink, s.gifPath); });
    write(bmp, "--bmp", true, [&](FileSink& sink) {
        bytes(sink, EncodeBmp(s.state.PictureBitmap, DisplayColours(s.state.palette)));
    });
    write(palette, "--save-palette", false,
          [&](FileSink& sink) { bytes(sink, EncodePaletteFile(s.state.palette.marks)); });
    return Finish(out, err, status);
}

}  // namespace velmora
