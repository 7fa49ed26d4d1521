#pragma once
// Files on disk (pictures, palettes, exports). Reading reports the runtime file errors ("File not
// found", "Read beyond end of file" ...). Writing goes to a new file beside
// the chosen one, which replaces it only once every byte is written and
// closed, so a failed save never leaves a half-written file under the name.

#include <stdexcept>
#include <string>
#include <vector>

#include "byte_stream.hpp"

namespace velmora {

// The runtime file error code of an operating-system error number.
int FileErrorCode(int osError);
// Its text ("File not found" ...), or the system's own words for errors the
// runtime has no text of its own for.
std::string FileErrorReason(int osError);

// A file that could not be written: names the file and the reason.
class FileWriteError : public std::runtime_error {
public:
    FileWriteError(const std::string& path, const std::string& reason)
        : std::runtime_error("Cannot save " + path + ": " + reason) {}
};

class FileSource : public ByteSource {
public:
    // Throws FaultError(InputOutput) when the file cannot be opened or is
    // not a regular file (a directory, a device, a pipe).
    explicit FileSource(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    size_t read(uint8_t* out, size_t count) override;

private:
    int fd_ = -1;
    std::vector<uint8_t> buffer_;
    size_t begin_ = 0, end_ = 0;
};

class FileSink : public ByteSink {
public:
    // Creates the new file beside `path` (beside the file a link names); a
    // device or pipe, or a name of an open descriptor such as /dev/stdout,
    // is written in place. Replacing a file keeps its mode (and its owner
    // where that is allowed). Throws FileWriteError.
    explicit FileSink(const std::string& path);
    // Writes in place into a copy of an open descriptor of this process;
    // `name` stands for it in messages.
    FileSink(int descriptor, const std::string& name);
    // Without commit() the new file is removed and `path` stays as it was.
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    void write(const uint8_t* data, size_t count) override;
    // Writes what is held, closes the new file and puts it in place of
    // `path`. Throws FileWriteError.
    void commit();

    const std::string& path() const { return path_; }
    // The descriptor of this process written into, or -1 for a file.
    int descriptor() const { return descriptor_; }

private:
    void openDescriptor(int descriptor);
    void flush();
    [[noreturn]] void fail(int osError);

    std::string path_;
    std::string target_;  // the file `path_` names, links followed
    std::string temporary_;
    bool direct_ = false;  // a device or pipe, written in place
    int descriptor_ = -1;
    int fd_ = -1;
    std::vector<uint8_t> buffer_;
    bool committed_ = false;
};

}  // namespace velmora
