#include "bmp_export.hpp"

#include "bmp_writer.hpp"
#include "file_stream.hpp"
#include "main_window.hpp"

namespace velmora {
namespace {

void FileSaveAs(const ProgramState& s, Prompter& prompter, const DirectoryChooser& chooser) {
    if (s.run.Calculating) return;
    if (s.PictureBitmap.width() == 0 || s.PictureBitmap.height() == 0) {
        prompter.messageBox(kNoPictureToSaveText, s.applicationTitle, MessageButtons::Ok, MessageIcon::Information);
        return;
    }
    // The folder the directory chooser last reported.
    const std::optional<std::string> name = prompter.saveFile(
        {"Save Picture File", chooser.ChosenDirectory(), "picture (*.bmp)", kBmpSuffix, "*.bmp"});
    if (!name) return;
    const std::vector<uint8_t> bytes = EncodeBmp(s.PictureBitmap, DisplayColours(s.palette));
    FileSink file(*name);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

}  // namespace

void ConnectBmpExport(MainWindow& window, const ProgramState& state, Prompter& prompter,
                      const DirectoryChooser& chooser) {
    window.setItemHandler(MenuId::SaveAsBmp, [&state, &prompter, &chooser] { FileSaveAs(state, prompter, chooser); });
}

}  // namespace velmora
