#pragma once
// Saving and loading pictures: File > "Save as GIF..." and "Load from GIF...",
// the start-up picture and the command-line renderer all come here. The
// parameter block lives here too, refreshed at the end of every run.

#include <string>

#include "byte_stream.hpp"
#include "gif_reader.hpp"
#include "gif_writer.hpp"
#include "large_export.hpp"
#include "make_palette.hpp"
#include "mode_actions.hpp"
#include "parameter_block.hpp"
#include "png_codec.hpp"
#include "picture_view.hpp"
#include "program_state.hpp"
#include "render_driver.hpp"
#include "run_outcome.hpp"
#include "run_observer.hpp"
#include "user_prompts.hpp"

namespace velmora {

inline constexpr const char* kNotValidGifMessage = "Not a valid Velmora 32 Version 2.01 GIF file";
inline constexpr const char* kForeignGifMessage = "Not a valid Velmora GIF file";
inline constexpr const char* kNotValidPngMessage = "Not a valid Velmora 32 PNG file: it carries no picture parameters";
inline constexpr const char* kNoPictureMessage = "There is no picture to save";

// What a save or a load shows beyond the status line and the picture.
class PictureFileHost {
public:
    virtual ~PictureFileHost() = default;
    virtual void setBusyCursor(bool busy) = 0;
    // Row `row` is being saved: a line from (xoff - 10, yoff + row) to
    // (xoff - 1, yoff + row), drawn with the window's pen.
    virtual void drawSaveMark(int xoff, int yoff, int row) = 0;
    // ProgressBar1 while a picture loads: shown from 0 to `maximum`,
    // advanced, hidden.
    virtual void showLoadProgress(int maximum) = 0;
    virtual void setLoadProgress(int position) = 0;
    virtual void hideLoadProgress() = 0;
};

struct PictureFileScreen {
    UserPrompts& prompts;
    PictureView& view;
    PictureFileHost& host;
    // A loaded picture's marks are built into the palette shown here.
    PaletteScreen palette;
};

// The part of a path after its last directory separator.
std::string FileNameWithoutDirectory(const std::string& path);

enum class LoadResult { Loaded, Rejected };

// What a load is for.
enum class LoadIntent {
    // The picture as the user sees it: an unfinished one goes on computing.
    ContinueUnfinished,
    // Only its parameters and buffer: a run of the caller's follows.
    KeepAsLoaded,
};

struct LoadOutcome {
    LoadResult result = LoadResult::Rejected;
    // The file carries another program's extension (said before a refusal).
    bool foreign = false;
    // The loaded picture was computed to its last column.
    bool finished = false;
    // The run that continued an unfinished picture; NotStarted when none ran.
    RunOutcome continuation;

    bool loaded() const { return result == LoadResult::Loaded; }
};
// File > "Export large picture...": the width of the file (its height three
// quarters of it) and the samples per pixel along each side.
struct LargeExportRequest {
    int width = 0;
    int samples = 1;
    int threads = 0;  // 0: every core
};

class PictureFiles : public RunObserver {
public:
    PictureFiles(ProgramState& state, ModeActions& actions, RenderDriver& driver, CustomFormulaDialogHost& formula,
                 PictureFileScreen screen)
        : s_(state), actions_(actions), driver_(driver), formula_(formula), screen_(screen) {}

    // Every run that got past its set-up records its state in the block.
    void runEnded() override;

    // Writes the picture with its palette and freshly filled block. Refuses
    // (with a message) when there is no picture. A file that cannot be
    // created or written throws FileWriteError, after the status line is put
    // back and with the previous file, if any, left as it was.
    bool SaveGif(const std::string& fileName);
    // The same into any sink; the caller finishes the sink.
    bool SaveGif(ByteSink& sink, const std::string& fileName);
    // The same as an 8-bit palettised PNG, the block and the texts in a
    // private chunk and a description in text chunks.
    bool SavePng(const std::string& fileName);
    bool SavePng(ByteSink& sink, const std::string& fileName);

    // The view as the dialog's texts give it (as a run would read them), at
    // the request's size, computed in bands and written as a PNG with its
    // parameters (the block describing the file); nothing of the program's
    // picture changes. The file is replaced only once it is whole: a cancel
    // or a fault leaves what it held. Throws ExportError for a request or a
    // view that cannot be exported, FileWriteError for the file.
    ExportOutcome ExportLargePng(const std::string& fileName, const LargeExportRequest& request,
                                 ExportProgress& progress);
    ExportOutcome ExportLargePng(ByteSink& sink, const LargeExportRequest& request, ExportProgress& progress);

    // Loads a picture with its parameters and, when it was not finished and
    // the intent says so, continues it. A refused file is reported and
    // changes nothing (apart from the status line showing the current file's
    // name again). So does a custom picture whose formula or constants do not
    // compile, with a message naming the file and the reason. A file that cannot be opened or read throws its file
    // error, after the same clean-up.
    LoadOutcome LoadGif(const std::string& fileName, LoadIntent intent = LoadIntent::ContinueUnfinished);
    LoadOutcome LoadGif(ByteSource& source, const std::string& fileName,
                        LoadIntent intent = LoadIntent::ContinueUnfinished);
    // The same for a PNG of ours; a PNG without our parameters is refused.
    // Of an RGB PNG, or one larger than a run makes, only the parameters are
    // taken, the width clamped to the largest a run makes, and the picture
    // is computed anew (by the load when the intent is to continue).
    LoadOutcome LoadPng(const std::string& fileName, LoadIntent intent = LoadIntent::ContinueUnfinished);
    LoadOutcome LoadPng(ByteSource& source, const std::string& fileName,
                        LoadIntent intent = LoadIntent::ContinueUnfinished);
    // A GIF or a PNG, told by its first bytes.
    LoadOutcome LoadPicture(const std::string& fileName, LoadIntent intent = LoadIntent::ContinueUnfinished);

    const ParameterBlock& block() const { return block_; }
    const std::string& CurrentFileName() const { return currentFileName_; }
    void setCurrentFileName(const std::string& name) { currentFileName_ = name; }

private:
    template <class Write>
    bool save(const std::string& fileName, Write&& write);
    template <class Read>
    LoadOutcome load(const std::string& fileName, LoadIntent intent, const char* refusal, Read&& read);
    std::string customFormulaFault(const GifReadResult& file) const;
    void takePicture(GifReadResult& file);
    void showPicture();

    ProgramState& s_;
    ModeActions& actions_;
    RenderDriver& driver_;
    CustomFormulaDialogHost& formula_;
    PictureFileScreen screen_;
    ParameterBlock block_;
    std::string currentFileName_;
};

}  // namespace velmora
