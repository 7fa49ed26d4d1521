#include "directory_chooser.hpp"

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "directory_rules.hpp"
#include "file_stream.hpp"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// The absolute form of a directory without "." or ".." parts or a trailing
// '/', as the list names it.
std::string Normalised(const std::string& directory) {
    std::error_code ec;
    fs::path p = fs::absolute(directory, ec);
    if (ec) p = directory;
    std::string text = p.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

}  // namespace

void DirectoryChooser::create() {
    std::error_code ec;
    const fs::path here = fs::current_path(ec);
    directory_ = ec ? std::string("/") : Normalised(here.string());
    drive_ = DrivePart(directory_, view_.volumes());
    lastOnDrive_[drive_] = directory_;
    view_.showDrive(drive_);
    view_.showDirectory(directory_);
    view_.setLabel(chosen_);
}

void DirectoryChooser::moveList(const std::string& directory) {
    const std::string target = Normalised(directory);
    if (target == directory_) return;
    std::error_code ec;
    fs::current_path(target, ec);
    if (ec) throw std::runtime_error("Cannot open the folder " + target + ": " + FileErrorReason(ec.value()));
    directory_ = target;
    const std::string drive = DrivePart(directory_, view_.volumes());
    if (drive != drive_) {
        drive_ = drive;
        view_.showDrive(drive_);
    }
    lastOnDrive_[drive_] = directory_;
    view_.showDirectory(directory_);
    report(directory_);
}

void DirectoryChooser::report(const std::string& directory) {
    chosen_ = directory;
    view_.setLabel(chosen_);
}

void DirectoryChooser::driveSelected(const std::string& volume) {
    if (volume.empty() || volume == drive_) return;
    const auto last = lastOnDrive_.find(volume);
    if (last != lastOnDrive_.end()) {
        try {
            moveList(last->second);
            return;
        } catch (const std::exception&) {
            // That folder has gone since; the volume's root will do.
        }
    }
    moveList(volume);
}

void DirectoryChooser::directoryOpened(const std::string& directory) { moveList(directory); }

void DirectoryChooser::listClicked() { report(directory_); }

void DirectoryChooser::ChooseDirectory(std::string& setting, const std::string& caption) {
    view_.setCaption(caption);
    driveSelected(DrivePart(setting, view_.volumes()));
    const std::string part = DirectoryPart(setting);
    if (!part.empty()) {
        try {
            moveList(setting);
        } catch (const std::exception&) {
            // The folder set has gone since; the one that held it will do.
            moveList(part);
        }
    }
    // Read afresh, so that folders made since the list last moved are there;
    // and what confirming stores is what the list shows, not the choice of
    // an earlier item.
    view_.showDirectory(directory_);
    report(directory_);
    view_.showModal();
    setting = chosen_;
}

}  // namespace velmora
