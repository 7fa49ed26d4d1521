#include "options.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <array>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <sstream>
#include <stdexcept>

#include "bmp_writer.hpp"
#include "conversions.hpp"
#include "custom_compiler.hpp"
#include "custom_formula.hpp"
#include "fault.hpp"
#include "file_stream.hpp"
#include "formula_table.hpp"
#include "headless_host.hpp"
#include "large_export.hpp"
#include "mode_actions.hpp"
#include "palette_file.hpp"
#include "parameter_reading.hpp"
#include "render_driver.hpp"
#include "session.hpp"
#include "stalk_table.hpp"
#include "stop_signals.hpp"

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

// A window's host without the window, where a stop signal is the Cancel the
// driver looks at after every column (and the workers stop at), and each
// column shown moves the progress on.
class RendererHost : public HeadlessHost {
public:
    void pumpEvents() override { checkStop(); }
    void pumpWhileWaiting() override { checkStop(); }
    void copyColumnToWindow(int px, int) override {
        if (progress && params && !progress->keepGoing(px + 1, params->siz) && cancel) *cancel = true;
    }

    bool* cancel = nullptr;
    ExportProgress* progress = nullptr;
    const PictureParameters* params = nullptr;

private:
    void checkStop() {
        if (cancel && StopSignals::received()) *cancel = true;
    }
};

// The host is made before the session that uses it.
struct RendererHostHolder {
    RendererHost host;
};

struct Renderer : RendererHostHolder, Session {
    Renderer() : Session(host.hosts()) {
        startWithoutPicture();
        host.cancel = &state.run.CancelRequested;
    }

    std::string rawPath, gifPath, pngPath, fromPath, savePalettePath, bmpPath;
    int samples = 1;  // per pixel along each side, for --png
    bool stats = false;
    bool customGiven = false;
    bool functionGiven = false;
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


// As "Load from GIF..." loads a picture (a GIF or a PNG of ours), continuing
// it if it was not finished, unless other options are to render it anew.
void LoadPicture(Renderer& s, const std::string& path) {
    if (path.empty()) throw UsageError("--from: the file name is empty");
    s.fromPath = path;
    s.host.messages.clear();
    try {
        s.loaded =
            s.files.LoadPicture(path, s.pictureOptions ? LoadIntent::KeepAsLoaded : LoadIntent::ContinueUnfinished);
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
    s.functionGiven = true;
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

std::string SizeRange(const std::string& v) {
    return "--size: " + v + " is out of range (1 to " + std::to_string(LargestPictureWidth()) +
           ": a picture holds at most " + std::to_string(kBufferOffsetLimit) + " pixels; up to " +
           std::to_string(kLargestExportWidth) + " with --png as the only picture output)";
}

// Refused here rather than by the run, so the message can say what fits. A
// width beyond what a run holds is computed in bands, for a PNG alone
// (CheckLargePicture).
void ApplySize(Renderer& s, const std::string& v) {
    const int n = ParseInteger(v);
    if (n < 1 || n > kLargestExportWidth) throw UsageError(SizeRange(v));
    s.state.texts.setText(TextField::siz, v);
    s.sizeGiven = true;
}

// Whether the PNG is computed in bands rather than by a run: asked wider than
// a run holds, or anti-aliased. (A loaded picture's own size is the run's to
// refuse.)
bool LargePicture(const Renderer& s) {
    if (s.samples > 1) return true;
    if (!s.sizeGiven) return false;
    try {
        return ParseInteger(s.state.texts.text(TextField::siz)) > LargestPictureWidth();
    } catch (const FaultError&) {
        return false;  // the run says what is wrong with it
    }
}

// A picture computed in bands is never held whole, so only the PNG can take it.
void CheckLargePicture(const Renderer& s) {
    if (!LargePicture(s)) return;
    const bool others = !s.rawPath.empty() || !s.gifPath.empty() || !s.bmpPath.empty();
    if (s.samples == 1 && (s.pngPath.empty() || others)) throw UsageError(SizeRange(s.state.texts.text(TextField::siz)));
    const char* why = "--samples";
    if (s.pngPath.empty()) throw UsageError(std::string(why) + ": needs --png, the only output it writes");
    if (others)
        throw UsageError(std::string(why) + ": the picture is computed in bands for --png alone; --raw, --gif and "
                         "--bmp need it whole (at most " + std::to_string(LargestPictureWidth()) +
                         " pixels wide, one sample)");
}

// Progress of a picture computed in bands: a bar with the time left on
// standard error when that is a terminal, nothing otherwise. A stop signal
// cancels.
class TerminalProgress : public ExportProgress {
public:
    explicit TerminalProgress(std::ostream& err) : err_(err), shown_(::isatty(STDERR_FILENO) == 1) {}
    ~TerminalProgress() override { done(); }
    // The bar's line ends; what is said next starts a line of its own.
    void done() {
        if (drawn_) err_ << '\n' << std::flush;
        drawn_ = false;
    }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    bool keepGoing(int done, int total) override {
        if (StopSignals::received()) return false;
        const auto now = std::chrono::steady_clock::now();
        if (!shown_ || (now - last_ < std::chrono::milliseconds(250) && done < total)) return true;
        last_ = now;
        const double fraction = total > 0 ? static_cast<double>(done) / total : 1.0;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        constexpr int kWidth = 30;
        const int filled = static_cast<int>(fraction * kWidth);
        err_ << "\r[" << std::string(static_cast<size_t>(filled), '#') << std::string(static_cast<size_t>(kWidth - filled), ' ')
             << "] " << static_cast<int>(fraction * 100) << " %  " << TimeLeftText(seconds, fraction) << "\x1b[K"
             << std::flush;
        drawn_ = true;
        return true;
    }

private:
    std::ostream& err_;
    const bool shown_;
    bool drawn_ = false;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_{};
};

// Far more threads than cores only costs memory and switching.
constexpr int kMostThreads = 256;

const std::string& ThreadsHelp() {
    static const std::string help = "threads computing columns (default " + std::to_string(DefaultThreadCount()) +
                                    ", the cores of this machine)";
    return help;
}

const std::string& SizeHelp() {
    static const std::string help =
        "picture width in pixels, 1 to " + std::to_string(LargestPictureWidth()) + " (height is three quarters)";
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
        {"--size", "N", SizeHelp().c_str(), kTexts, ApplySize},
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
        {"--png", "FILE", "write the picture as an 8-bit PNG with its palette and parameters (as Save as PNG...)",
         kOutput, OutputPath(&Renderer::pngPath, "--png")},
        {"--samples", "N", "samples per pixel along each side for --png, 1 to 4: N > 1 writes 24-bit RGB, each "
                           "pixel the average of N x N in linear light", kOutput,
         [](Renderer& s, const std::string& v) {
             const int n = ParseInteger(v);
             if (n < 1 || n > kMostExportSamples)
                 throw UsageError("--samples: " + v + " is out of range (1 to " + std::to_string(kMostExportSamples) + ")");
             s.samples = n;
         }},
        {"--bmp", "FILE", "write the picture as an 8-bit BMP file in its palette's colours", kOutput,
         OutputPath(&Renderer::bmpPath, "--bmp")},
        {"--palette", "FILE", "colour the picture with a palette file's marked entries (.vmp)", kTexts, LoadPalette},
        {"--save-palette", "FILE", "write the palette's marked entries as a palette file (.vmp)", kOutput,
         OutputPath(&Renderer::savePalettePath, "--save-palette")},
        {"--from", "FILE", "load a saved GIF or PNG first (as Load from GIF...); other picture options then change it "
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
           "Defaults are the program's start-up state (Julia set, z^2+c, Circle stalks).\n"
           "An output named - or /dev/stdout goes to standard output; messages then go to\n"
           "standard error.\n\n";
    for (const OptionDef& o : Options()) {
        std::string head = std::string("  ") + o.name + (o.argument ? std::string(" ") + o.argument : "");
        if (head.size() < 34) head.resize(34, ' ');
        else head += "  ";
        out << head << o.help << '\n';
    }
    out << "  --help                          this text\n";
}

void Report(std::ostream& err, const std::string& message) { err << "velmora-render: " << message << '\n'; }

// A fault of the run, with the option it comes from where that is known: a
// picture size that was not given on the command line is the loaded one.
std::string WithOption(const Renderer& s, const RunFault& fault) {
    if (!fault.pictureSize) return fault.message;
    if (s.sizeGiven) return "--size: " + fault.message;
    if (s.fromPath.empty()) return fault.message;
    return "--from: the loaded picture's size, " + std::to_string(s.state.params.siz) + "x" +
           std::to_string(s.state.params.sizy) + ", was refused (at most " + std::to_string(kBufferOffsetLimit) +
           " pixels): " + fault.message;
}

// Up to a few bytes of `text` from `position` (1-based), bytes that are not
// printable written as \xHH.
std::string Excerpt(const std::string& text, int position) {
    std::string shown;
    const size_t from = static_cast<size_t>(position - 1);
    for (size_t i = from; i < text.size() && i < from + 10; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else {
            static const char digits[] = "0123456789ABCDEF";
            shown += std::string("\\x") + digits[c >> 4] + digits[c & 15];
        }
    }
    return shown;
}

// Why and where the custom formula does not compile. The program compiles
// the text inside one more pair of brackets; the text alone is checked
// first so that positions are the user's own, then the wrapped one for
// what only shows there (a formula ending in an operator, too many tokens,
// a conversion failure).
std::string FormulaProblem(const std::string& text) {
    FormulaTokenList tokens;
    FormulaDiagnosis d = TokeniseFormula(text, tokens);
    const bool own = !d.ok() && d.error != FormulaError::TooManyTokens;
    if (!own) {
        std::array<uint8_t, kCustomCodeCapacity> code{};
        uint8_t length = 0;
        d = CompileFormula(CutText("(" + text + ")", kCustomFormulaMaxLength), code, length);
        if (d.ok()) return {};
        --d.position;  // the added bracket
    }
    const std::string at = "at character " + std::to_string(d.position) + ": ";
    const std::string token = "at token " + std::to_string(d.position) + ": ";
    const bool atEnd = d.position > static_cast<int>(text.size());
    switch (d.error) {
    case FormulaError::None: return {};
    case FormulaError::UnknownText: return at + "unknown text '" + Excerpt(text, d.position) + "'";
    case FormulaError::TooManyTokens:
        return at + "more than " + std::to_string(kFormulaTokenCapacity - 2) + " tokens";
    case FormulaError::ClosedTooOften: return at + "')' closes no open bracket";
    case FormulaError::BadSequence:
        if (atEnd) return "at the end: the formula is incomplete";
        return at + "'" + Excerpt(text, d.position) + "' cannot follow what comes before it";
    case FormulaError::LeftOpen: return "at the end: a bracket is left open";
    case FormulaError::Empty: return "the formula is empty";
    case FormulaError::EmptyStack: return token + "an operator has nothing to work on";
    case FormulaError::ProgramTooLong:
        return token + "the program would be longer than " + std::to_string(kCustomCodeCapacity) + " codes";
    case FormulaError::StackTooDeep:
        return token + "brackets, functions and operators nest deeper than " + std::to_string(kFormulaStackCapacity);
    }
    return {};
}

// The outputs, each written by one FileSink, in the order they are written.
enum Output : size_t { kRawOutput, kGifOutput, kPngOutput, kBmpOutput, kPaletteOutput };
struct OutputDef {
    const char* option;
    std::string Renderer::*path;
};
constexpr OutputDef kOutputs[] = {{"--raw", &Renderer::rawPath},
                                  {"--gif", &Renderer::gifPath},
                                  {"--png", &Renderer::pngPath},
                                  {"--bmp", &Renderer::bmpPath},
                                  {"--save-palette", &Renderer::savePalettePath}};
constexpr const char* kStandardOutputName = "-";

// What makes two output names one file: the file itself where one exists
// (through links and other spellings), else the name made absolute.
struct OutputFile {
    bool exists = false, device = false;
    dev_t dev = 0;
    ino_t ino = 0;
    std::string name;

    explicit OutputFile(const std::string& path) {
        struct stat st {};
        if (path == kStandardOutputName ? ::fstat(STDOUT_FILENO, &st) == 0 : ::stat(path.c_str(), &st) == 0) {
            exists = true;
            device = S_ISCHR(st.st_mode);
            dev = st.st_dev;
            ino = st.st_ino;
            return;
        }
        std::error_code error;
        name = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error).string();
        if (error) name = path;
    }
    bool operator==(const OutputFile& o) const {
        return exists == o.exists && (exists ? dev == o.dev && ino == o.ino : name == o.name);
    }
};

// Two outputs in one file would leave only the one written last (or, in a
// stream, the two run together). A device such as /dev/null keeps nothing
// of either and may take several.
void CheckOutputsDiffer(const Renderer& s) {
    std::vector<std::pair<const char*, OutputFile>> seen;
    for (const OutputDef& o : kOutputs) {
        const std::string& path = s.*o.path;
        if (path.empty()) continue;
        OutputFile file(path);
        if (file.device) continue;
        for (const auto& [option, other] : seen)
            if (other == file) throw UsageError(std::string(o.option) + ": " + path + " is also the file of " + option);
        seen.emplace_back(o.option, std::move(file));
    }
}

// Reads the command line into the session. Throws UsageError for a bad
// option or value, RefusedFile for a picture that cannot be loaded.
void ApplyOptions(const std::vector<std::string>& args, Renderer& s) {
    struct Pending {
        const OptionDef* def;
        std::string value;
    };
    std::vector<Pending> pending;
    for (size_t i = 0; i < args.size(); ++i) {
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
    for (const Pending& p : pending) {
        try {
            p.def->apply(s, p.value);
        } catch (const FaultError& e) {
            // The dialog's words ("'x' is not a valid floating point value"),
            // with the option they belong to.
            throw UsageError(std::string(p.def->name) + ": " + e.what() + ".");
        }
    }
    CheckOutputsDiffer(s);
    CheckLargePicture(s);
}

// Standard output is an output too: a full disk there is a failure.
int Finish(std::ostream& out, std::ostream& err, int status) {
    out.flush();
    if (out) return status;
    Report(err, "cannot write to standard output");
    return status == 0 ? 1 : status;
}

// A stop signal ends the run as a failure that names the signal; the shell
// convention for a program ended by one is 128 and its number.
int Stopped(std::ostream& out, std::ostream& err, int signal, const char* what) {
    Report(err, std::string("stopped by ") + ::strsignal(signal) + "; " + what);
    return Finish(out, err, 128 + signal);
}

// The PNG computed in bands, and the palette file if asked: no run, so no
// picture in the session.
int WriteLargePicture(Renderer& s, FileSink& png, FileSink* palette, std::ostream& say, std::ostream& out,
                      std::ostream& err) {
    const auto started = std::chrono::steady_clock::now();
    const int width = ParseInteger(s.state.texts.text(TextField::siz));
    ExportOutcome outcome;
    try {
        TerminalProgress progress(err);
        outcome = s.files.ExportLargePng(png, {width, s.samples, s.driver.threads()}, progress);
    } catch (const ExportError& e) {
        Report(err, std::string("--png: ") + e.what());
        return Finish(out, err, 1);
    } catch (const FileWriteError& e) {
        Report(err, std::string("--png: ") + e.what());
        return Finish(out, err, 1);
    }
    if (const int signal = StopSignals::received()) return Stopped(out, err, signal, "no output was written");
    if (!outcome.written()) return Finish(out, err, 1);
    int status = 0;
    try {
        png.commit();
        if (palette) {
            const auto bytes = EncodePaletteFile(s.state.palette.marks);
            palette->write(bytes.data(), bytes.size());
            palette->commit();
        }
    } catch (const FileWriteError& e) {
        Report(err, e.what());
        status = 1;
    }
    say << RunEndText(RunEnd::Completed) << '\n';
    if (outcome.pixelFaults > 0) Report(err, std::to_string(outcome.pixelFaults) + " pixels met a fault");
    if (s.stats) {
        say << "size " << width << "x" << HeightForWidth(width) << ", " << s.samples << "x" << s.samples
            << " samples\n"
            << "seconds " << std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() << "\n";
    }
    return Finish(out, err, status);
}

}  // namespace

int RunRenderer(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    // Help wins wherever it stands, even after a bad option.
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        PrintHelp(out);
        return Finish(out, err, 0);
    }
    // From here on (a loaded picture may be continued while the options are
    // read) a stop signal halts the picture instead of ending the program.
    const StopSignals signals;
    Renderer s;
    // A run (a loaded picture's continuation too) shows its progress.
    TerminalProgress runProgress(err);
    s.host.progress = &runProgress;
    s.host.params = &s.state.params;
    try {
        ApplyOptions(args, s);
    } catch (const UsageError& e) {
        Report(err, e.what());
        return 2;
    } catch (const RefusedFile& e) {
        for (const std::string& line : e.lines) Report(err, line);
        return 1;
    }
    // A loaded picture is written as it is (continued if it was not
    // finished) unless other options change it.
    const bool render = s.fromPath.empty() || s.pictureOptions;
    if (render && (s.customGiven || s.state.params.FunctionKind == kFormulaCustom) && !CompileCustomFormula(s)) {
        const std::string option = s.customGiven ? "--custom: " : s.functionGiven ? "--function: " : "--from: ";
        Report(err, option + s.host.messages.back().text);
        if (const std::string why = FormulaProblem(s.state.params.custfunc); !why.empty()) Report(err, option + why);
        return 2;
    }
    // Made beside the named file now, so a place that cannot be written costs
    // no rendering time; it replaces the file only once it is whole.
    std::array<std::unique_ptr<FileSink>, std::size(kOutputs)> sinks;
    bool pictureOnStandardOutput = false;
    for (size_t i = 0; i < sinks.size(); ++i) {
        const std::string& path = s.*kOutputs[i].path;
        if (path.empty()) continue;
        try {
            sinks[i] = path == kStandardOutputName ? std::make_unique<FileSink>(STDOUT_FILENO, path)
                                                   : std::make_unique<FileSink>(path);
        } catch (const FileWriteError& e) {
            Report(err, std::string(kOutputs[i].option) + ": " + e.what());
            return 1;
        }
        if (sinks[i]->descriptor() == STDOUT_FILENO) pictureOnStandardOutput = true;
    }
    // Words on standard output would become part of the picture there.
    std::ostream& say = pictureOnStandardOutput ? err : out;
    if (LargePicture(s)) return WriteLargePicture(s, *sinks[kPngOutput], sinks[kPaletteOutput].get(), say, out, err);

    // The run is this one, or the one that continued the loaded picture.
    const RunOutcome run = render ? s.driver.Runclick() : s.loaded.continuation;
    runProgress.done();
    const bool completed = run.completed() || (!render && s.loaded.finished);
    // A set-up fault draws nothing and says so only on standard error.
    const bool drew = run.drew() || completed;
    if (drew) say << RunEndText(completed ? RunEnd::Completed : run.end) << '\n';
    for (const RunFault& fault : run.faults) Report(err, WithOption(s, fault));
    if (s.stats && drew) {
        say << "size " << s.state.params.siz << "x" << s.state.params.sizy << "\n"
            << "orbit steps " << run.orbitSteps << "\n"
            << "seconds " << run.seconds << "\n";
    }
    // Stopped: the sinks go unwritten, their new files removed.
    if (const int signal = StopSignals::received())
        return Stopped(out, err, signal, "no output was written");
    int status = completed && run.faults.empty() ? 0 : 1;
    // Only a whole picture replaces what a file held; the marks do not wait
    // for one.
    const auto write = [&](Output output, bool needsPicture, auto&& fill) {
        std::unique_ptr<FileSink>& sink = sinks[output];
        if (!sink || (needsPicture && !completed)) return;
        try {
            fill(*sink);
            sink->commit();
        } catch (const FileWriteError& e) {
            Report(err, std::string(kOutputs[output].option) + ": " + e.what());
            status = 1;
        }
    };
    const auto bytes = [](ByteSink& sink, const auto& data) { sink.write(data.data(), data.size()); };
    write(kRawOutput, true, [&](FileSink& sink) { bytes(sink, s.state.buffer.bytes); });
    write(kGifOutput, true, [&](FileSink& sink) { s.files.SaveGif(sink, s.gifPath); });
    write(kPngOutput, true, [&](FileSink& sink) { s.files.SavePng(sink, s.pngPath); });
    write(kBmpOutput, true, [&](FileSink& sink) {
        bytes(sink, EncodeBmp(s.state.PictureBitmap, DisplayColours(s.state.palette)));
    });
    write(kPaletteOutput, false, [&](FileSink& sink) { bytes(sink, EncodePaletteFile(s.state.palette.marks)); });
    if (const int signal = StopSignals::received())
        return Stopped(out, err, signal, "the outputs were written before it");
    return Finish(out, err, status);
}

}  // namespace velmora
