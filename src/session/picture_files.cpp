#include "picture_files.hpp"

#include <algorithm>
#include <cstring>
#include <memory>

#include "conversions.hpp"
#include "custom_compiler.hpp"
#include "fault.hpp"
#include "file_stream.hpp"
#include "formula_table.hpp"
#include "little_endian.hpp"

namespace velmora {
namespace {

// The hourglass from the first step of a save or load to its last, however
// it ends.
class BusyCursor {
public:
    explicit BusyCursor(PictureFileHost& host) : host_(host) { host_.setBusyCursor(true); }
    ~BusyCursor() { host_.setBusyCursor(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    PictureFileHost& host_;
};

class SaveMarks : public GifWriteProgress {
public:
    SaveMarks(PictureFileHost& host, int xoff, int yoff) : host_(host), xoff_(xoff), yoff_(yoff) {}
    void rowStarted(int row) override { host_.drawSaveMark(xoff_, yoff_, row); }

private:
    PictureFileHost& host_;
    int xoff_, yoff_;
};

// ProgressBar1: shown once the file's size is known, hidden at the end of
// the load however it ends.
class LoadProgress : public GifReadProgress {
public:
    explicit LoadProgress(PictureFileHost& host) : host_(host) {}
    ~LoadProgress() override { host_.hideLoadProgress(); }
    LoadProgress(const LoadProgress&) = delete;
    LoadProgress& operator=(const LoadProgress&) = delete;
    void started(int height) override { host_.showLoadProgress(height); }
    void rowDone(int row) override { host_.setLoadProgress(row); }

private:
    PictureFileHost& host_;
};

gif::ColourTable PaletteColours(const Palette& palette) {
    gif::ColourTable colours{};
    for (int i = 0; i < Palette::kEntries; ++i) {
        const PaletteEntry& e = palette.entries[static_cast<size_t>(i)];
        colours[static_cast<size_t>(3 * i)] = e.red;
        colours[static_cast<size_t>(3 * i + 1)] = e.green;
        colours[static_cast<size_t>(3 * i + 2)] = e.blue;
    }
    return colours;
}

const char* FormulaErrorText(FormulaError error) {
    switch (error) {
    case FormulaError::None: break;
    case FormulaError::UnknownText: return "it holds text that is not part of a formula";
    case FormulaError::TooManyTokens: return "it is too long";
    case FormulaError::ClosedTooOften: return "it closes a bracket that was not opened";
    case FormulaError::BadSequence: return "two of its parts cannot follow each other";
    case FormulaError::LeftOpen: return "it leaves a bracket open";
    case FormulaError::Empty: return "it is empty";
    case FormulaError::EmptyStack: return "an operator lacks an operand";
    case FormulaError::ProgramTooLong: return "it compiles to too long a program";
    case FormulaError::StackTooDeep: return "it nests too deeply";
    }
    return "";
}

bool HasPicture(const PictureBuffer& b) {
    return b.present && b.width >= 1 && b.height >= 1 && b.width <= 32767 && b.height <= 32767 &&
           b.bytes.size() == static_cast<size_t>(b.width) * static_cast<size_t>(b.height);
}

}  // namespace

std::string FileNameWithoutDirectory(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void PictureFiles::runEnded() { FillParameterBlock(block_, s_, formula_.formulaText()); }

template <class Write>
bool PictureFiles::save(const std::string& fileName, Write&& write) {
    const PictureBuffer& buffer = s_.buffer;
    if (!HasPicture(buffer)) {
        screen_.prompts.messageBox(kNoPictureMessage, s_.applicationTitle, MessageButtons::Ok,
                                   MessageIcon::Information);
        return false;
    }
    BusyCursor busy(screen_.host);
    const std::string before = s_.statusText;
    const std::string name = FileNameWithoutDirectory(fileName);
    ShowStatus(s_, screen_.prompts, "Saving " + name);
    screen_.view.repaintWindow();
    try {
        const GifImage image{buffer.bytes.data(), buffer.width, buffer.height, PaletteColours(s_.palette.palette)};
        FillParameterBlock(block_, s_, formula_.formulaText());
        // The block describes the picture saved, also when the size was
        // changed in the dialog after the picture was computed.
        PutI32(block_.bytes.data() + block::kSiz, buffer.width);
        PutI32(block_.bytes.data() + block::kSizy, buffer.height);
        const PictureTexts texts = TakePictureTexts(s_.texts, formula_.constantTexts(), formula_.formulaText());
        SaveMarks marks(screen_.host, s_.xoff, s_.yoff);
        write(image, texts, marks);
    } catch (...) {
        // Nothing was saved: the status line must not say it was.
        ShowStatus(s_, screen_.prompts, before);
        throw;
    }
    ShowStatus(s_, screen_.prompts, name);
    screen_.view.repaintWindow();
    return true;
}

bool PictureFiles::SaveGif(const std::string& fileName) {
    return save(fileName, [&](const GifImage& image, const PictureTexts& texts, GifWriteProgress& marks) {
        FileSink sink(fileName);
        WriteGif(sink, image, block_, &texts, &marks);
        sink.commit();
    });
}

namespace {

// What a PNG says of itself to any reader: the program, and the view in words.
std::vector<PngText> DescribePicture(const ProgramState& s) {
    const PictureParameters& p = s.params;
    const FormulaRecord* formula = FindFormula(p.FunctionKind);
    const std::string kind = s.setKind == SetKind::Mandelbrot ? "Mandelbrot set" : "Julia set";
    std::string description = kind + " of " + (formula && formula->caption ? formula->caption : "formula " + std::to_string(p.FunctionKind));
    if (p.FunctionKind == kFormulaCustom) description += " " + p.custfunc;
    description += "; range " + s.texts.text(TextField::Rang) + " about (" + s.texts.text(TextField::xce) + ", " +
                   s.texts.text(TextField::yce) + ")";
    if (s.setKind == SetKind::Julia)
        description += "; constant (" + s.texts.text(TextField::cx) + ", " + s.texts.text(TextField::cy) + ")";
    description += "; " + std::to_string(p.miter) + " iterations";
    return {{"Software", kApplicationTitle}, {"Description", description}};
}

void WritePngPicture(ByteSink& sink, const GifImage& image, const ParameterBlock& block, const PictureTexts& texts,
                     const ProgramState& s, GifWriteProgress& marks) {
    PngLayout layout;
    layout.width = image.width;
    layout.height = image.height;
    std::copy(image.colours.begin(), image.colours.end(), layout.colours.begin());
    layout.parameters = EncodePngParameters(block, &texts);
    layout.texts = DescribePicture(s);
    PngWriter writer(sink, layout);
    for (int y = 0; y < image.height; ++y) {
        marks.rowStarted(y);
        writer.writeRow(image.pixels + static_cast<size_t>(y) * static_cast<size_t>(image.width));
    }
    writer.finish();
}

}  // namespace

bool PictureFiles::SavePng(const std::string& fileName) {
    return save(fileName, [&](const GifImage& image, const PictureTexts& texts, GifWriteProgress& marks) {
        FileSink sink(fileName);
        WritePngPicture(sink, image, block_, texts, s_, marks);
        sink.commit();
    });
}

bool PictureFiles::SavePng(ByteSink& sink, const std::string& fileName) {
    return save(fileName, [&](const GifImage& image, const PictureTexts& texts, GifWriteProgress& marks) {
        WritePngPicture(sink, image, block_, texts, s_, marks);
    });
}

ExportOutcome PictureFiles::ExportLargePng(const std::string& fileName, const LargeExportRequest& request,
                                           ExportProgress& progress) {
    FileSink sink(fileName);
    const ExportOutcome outcome = ExportLargePng(sink, request, progress);
    if (outcome.written()) sink.commit();
    return outcome;
}

ExportOutcome PictureFiles::ExportLargePng(ByteSink& sink, const LargeExportRequest& request,
                                           ExportProgress& progress) {
    if (request.width < 1 || request.width > kLargestExportWidth)
        throw ExportError("the width must be 1 to " + std::to_string(kLargestExportWidth) + " pixels");
    if (request.samples < 1 || request.samples > kMostExportSamples)
        throw ExportError("the samples per pixel must be 1 to " + std::to_string(kMostExportSamples) + " a side");
    const int n = request.samples;
    // The view as a run would read it, on a copy, at n times the width.
    ProgramState view;
    view.params = s_.params;
    view.texts = s_.texts;
    // What the block reads besides: the set's menu item and the marks.
    view.menu.setChecked(MenuId::Mandelbrot, s_.menu.isChecked(MenuId::Mandelbrot));
    view.palette.marks = s_.palette.marks;
    view.setKind = s_.setKind;
    view.texts.setText(TextField::siz, std::to_string(request.width * n));
    RunNumbers numbers;
    RunContext rc;
    try {
        ReadRunTexts(view.texts, view.params, numbers);
        rc = MakeRunContext(view.params, numbers, view.setKind);
    } catch (const FaultError& e) {
        throw ExportError(std::string("the parameters cannot be read: ") + e.what());
    }
    // Every pixel of the file covers n x n whole pixels of the picture
    // computed: where three quarters round differently at the two widths,
    // the file is a row shorter.
    const int height = std::min(HeightForWidth(request.width), view.params.sizy / n);
    // The block and the texts describe the file, so that it loads back as
    // the view it was made from.
    view.texts.setText(TextField::siz, std::to_string(request.width));
    view.params.siz = request.width;
    view.params.sizy = height;
    view.params.LastColumnDone = request.width - 1;
    ParameterBlock block;
    FillParameterBlock(block, view, formula_.formulaText());
    const PictureTexts texts = TakePictureTexts(view.texts, formula_.constantTexts(), formula_.formulaText());
    PngLayout layout;
    layout.width = request.width;
    layout.height = height;
    layout.rgb = n > 1;
    // The palette a run would build from the marks at its set-up (that
    // build lives with the palette's screen; only its colours are wanted).
    Palette palette = s_.palette.palette;
    try {
        BuildPaletteRecord(s_.palette.marks, palette);
    } catch (const FaultError& e) {
        throw ExportError(std::string("the palette cannot be made: ") + e.what());
    }
    const gif::ColourTable colours = PaletteColours(palette);
    std::copy(colours.begin(), colours.end(), layout.colours.begin());
    layout.parameters = EncodePngParameters(block, &texts);
    layout.texts = DescribePicture(view);
    PngWriter writer(sink, layout);
    return WriteBands(rc, n, layout, writer, request.threads > 0 ? request.threads : DefaultThreadCount(), progress);
}

bool PictureFiles::SaveGif(ByteSink& sink, const std::string& fileName) {
    return save(fileName, [&](const GifImage& image, const PictureTexts& texts, GifWriteProgress& marks) {
        WriteGif(sink, image, block_, &texts, &marks);
    });
}

// Applying a block changes the program as it goes, so a custom formula that
// would not compile is found before anything changes: the formula as the
// load will compile it, with the constants it will read (the file's, or
// the dialog's when the file has none). Empty when it compiles.
std::string PictureFiles::customFormulaFault(const GifReadResult& file) const {
    if (file.block.bytes[block::kFunctionKind] != kFormulaCustom) return {};
    const CustomConstantTexts constants = file.texts ? file.texts->constants : formula_.constantTexts();
    const struct {
        const std::string& text;
        const char* name;
    } parts[] = {
        {constants.uccx, "u"}, {constants.uccy, "u"}, {constants.vccx, "v"},
        {constants.vccy, "v"}, {constants.wccx, "w"}, {constants.wccy, "w"},
    };
    for (const auto& part : parts) {
        try {
            ParseReal(part.text);
        } catch (const FaultError&) {
            return std::string("its custom formula constant ") + part.name + " ('" + part.text + "') is not a number";
        }
    }
    const std::string formula = CutText(LoadedFormulaText(file.block, file.texts ? &*file.texts : nullptr),
                                        kCustomFormulaMaxLength);
    std::array<uint8_t, kCustomCodeCapacity> code{};
    uint8_t length = 0;
    const FormulaDiagnosis diagnosis = CompileFormula(CutText("(" + formula + ")", kCustomFormulaMaxLength), code, length);
    if (diagnosis.ok()) return {};
    return "its custom formula '" + formula + "' does not compile: " + FormulaErrorText(diagnosis.error);
}

// The file's picture and block become the program's: size, place, buffer,
// then the parameters, menus, texts and marks, then the palette. A custom
// picture compiles with the file's constants. A file of parameters only
// leaves no picture, at a width a run makes, to be computed anew.
void PictureFiles::takePicture(GifReadResult& file) {
    PictureParameters& p = s_.params;
    if (file.parametersOnly) {
        s_.buffer.release();
        block_ = file.block;
        const PictureTexts* texts = file.texts ? &*file.texts : nullptr;
        if (texts && block_.bytes[block::kFunctionKind] == kFormulaCustom) formula_.setConstantTexts(texts->constants);
        const bool applied = ApplyParameterBlock(block_, s_, actions_, formula_, texts);
        p.siz = std::min(p.siz, LargestPictureWidth());
        p.sizy = HeightForWidth(p.siz);
        p.LastColumnDone = -1;
        s_.texts.setText(TextField::siz, std::to_string(p.siz));
        if (applied) MakePalette(s_, screen_.palette);
        return;
    }
    p.siz = file.width;
    p.sizy = file.height;
    s_.xoff = (screen_.view.windowWidth() - p.siz) / 2;
    s_.yoff = (screen_.view.panelTop() - p.sizy) / 2;
    s_.buffer.bytes.swap(file.pixels);
    s_.buffer.width = file.width;
    s_.buffer.height = file.height;
    s_.buffer.present = true;
    block_ = file.block;
    const PictureTexts* texts = file.texts ? &*file.texts : nullptr;
    if (texts && block_.bytes[block::kFunctionKind] == kFormulaCustom) formula_.setConstantTexts(texts->constants);
    if (ApplyParameterBlock(block_, s_, actions_, formula_, texts)) MakePalette(s_, screen_.palette);
}

// The bitmap takes the palette indices as they are, so a loaded picture
// shows the same colours as a computed one.
void PictureFiles::showPicture() {
    const PictureBuffer& buffer = s_.buffer;
    s_.PictureBitmap = IndexImage(buffer.width, buffer.height, 0);
    std::memcpy(s_.PictureBitmap.data(), buffer.bytes.data(), buffer.bytes.size());
    s_.BitmapWidth = buffer.width;
    screen_.view.pictureResized();
    screen_.view.drawPicture();
    screen_.view.repaintWindow();
}

template <class Read>
LoadOutcome PictureFiles::load(const std::string& fileName, LoadIntent intent, const char* refusal, Read&& read) {
    LoadOutcome outcome;
    bool accepted = false;
    {
        BusyCursor busy(screen_.host);
        const std::string before = s_.statusText;
        ShowStatus(s_, screen_.prompts, "Loading " + FileNameWithoutDirectory(fileName));
        screen_.view.repaintWindow();
        // Until the file is accepted the status line goes back to what it
        // said, also when reading fails: a refused file changes nothing.
        struct StatusBack {
            PictureFiles& f;
            const bool& accepted;
            const std::string& before;
            ~StatusBack() {
                if (!accepted) ShowStatus(f.s_, f.screen_.prompts, before);
            }
        } statusBack{*this, accepted, before};
        GifReadResult file;
        {
            LoadProgress progress(screen_.host);
            file = read(progress);
        }
        UserPrompts& prompts = screen_.prompts;
        outcome.foreign = file.foreignExtension;
        if (file.foreignExtension)
            prompts.messageBox(kForeignGifMessage, s_.applicationTitle, MessageButtons::Ok, MessageIcon::Information);
        if (!file.accepted) {
            prompts.messageBox(refusal, s_.applicationTitle, MessageButtons::Ok, MessageIcon::Information);
            return outcome;
        }
        if (const std::string fault = customFormulaFault(file); !fault.empty()) {
            prompts.messageBox("Cannot load " + fileName + ": " + fault, s_.applicationTitle, MessageButtons::Ok,
                               MessageIcon::Information);
            return outcome;
        }
        takePicture(file);
        if (!file.parametersOnly) showPicture();
        accepted = true;
        currentFileName_ = fileName;
        ShowStatus(s_, screen_.prompts, FileNameWithoutDirectory(fileName));
    }
    outcome.result = LoadResult::Loaded;
    const PictureParameters& p = s_.params;
    if (s_.buffer.bytes.empty()) {
        if (intent == LoadIntent::ContinueUnfinished) outcome.continuation = driver_.Runclick();
        return outcome;
    }
    // An unfinished picture goes on from its last finished column, with the
    // buffer kept.
    outcome.finished = static_cast<int64_t>(p.siz) - 1 <= p.LastColumnDone;
    if (!outcome.finished && intent == LoadIntent::ContinueUnfinished)
        outcome.continuation = driver_.Run({p.LastColumnDone, true});
    return outcome;
}

LoadOutcome PictureFiles::LoadGif(const std::string& fileName, LoadIntent intent) {
    return load(fileName, intent, kNotValidGifMessage, [&](GifReadProgress& progress) {
        FileSource file(fileName);
        return ReadGif(file, &progress);
    });
}

LoadOutcome PictureFiles::LoadGif(ByteSource& source, const std::string& fileName, LoadIntent intent) {
    return load(fileName, intent, kNotValidGifMessage,
                [&](GifReadProgress& progress) { return ReadGif(source, &progress); });
}

LoadOutcome PictureFiles::LoadPng(const std::string& fileName, LoadIntent intent) {
    return load(fileName, intent, kNotValidPngMessage, [&](GifReadProgress&) {
        FileSource file(fileName);
        return ReadPng(file);
    });
}

LoadOutcome PictureFiles::LoadPng(ByteSource& source, const std::string& fileName, LoadIntent intent) {
    return load(fileName, intent, kNotValidPngMessage, [&](GifReadProgress&) { return ReadPng(source); });
}

LoadOutcome PictureFiles::LoadPicture(const std::string& fileName, LoadIntent intent) {
    uint8_t head[8] = {};
    size_t got = 0;
    {
        FileSource file(fileName);
        got = file.read(head, sizeof head);
    }
    return LooksLikePng(head, got) ? LoadPng(fileName, intent) : LoadGif(fileName, intent);
}

}  // namespace velmora
