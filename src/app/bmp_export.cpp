#include "bmp_export.hpp"

#include "bmp_writer.hpp"
#include "directory_chooser_dialog.hpp"
#include "file_stream.hpp"
#include "main_window.hpp"
#include "program.hpp"

namespace velmora {

void FileSaveAs(Program& program) {
    ProgramState& s = program.state();
    if (s.run.Calculating) return;
    if (s.PictureBitmap.width() == 0 || s.PictureBitmap.height() == 0) {
        program.prompter().messageBox(kNoPictureToSaveText, s.applicationTitle, MessageButtons::Ok,
                                   MessageIcon::Information);
        return;
    }
    // The folder the directory chooser last reported.
    const std::optional<std::string> name = program.prompter().saveFile(
        {"Save Picture File", program.directoryChooser().chooser().ChosenDirectory(), "picture (*.bmp)", kBmpSuffix,
         "*.bmp"});
    if (!name) return;
    const std::vector<uint8_t> bytes = EncodeBmp(s.PictureBitmap, DisplayColours(s.palette));
    FileSink file(*name);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

void ConnectBmpExport(Program& program) {
    program.mainWindow().setItemHandler(MenuId::SaveAsBmp, [&program] { FileSaveAs(program); });
}

}  // namespace velmora
