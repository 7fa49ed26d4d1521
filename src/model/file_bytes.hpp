#pragma once
// Whole small files in and out, for the palette file, the settings and the
// picture exports. Reads report the program's file error texts ("File not
// found", "Read beyond end of file" ...); a write never leaves a half-written
// file under the name the user chose.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora {

// The program's file error code (2 file not found, 5 access denied, 101
// disk full ...) of a system error number.
int FileErrorCode(int errnum);
// The reason a file operation failed, for the user: the file error text of
// the code, or the system's own words for errors without one.
std::string FileErrorReason(int errnum);

// The first `count` bytes of the file. Throws FaultError (InputOutput) with
// the file error code when the file cannot be opened or read, or holds fewer
// bytes ("Read beyond end of file").
std::vector<uint8_t> ReadFileBytes(const std::string& path, size_t count);

// A file that could not be saved: the text names the file and the reason.
class FileWriteError : public std::runtime_error {
public:
    FileWriteError(const std::string& path, int errnum);
    int code() const noexcept { return code_; }

private:
    int code_;
};

// Writes `bytes` into a new file beside `path` and puts it in place of
// `path` only once every byte is on disk, so that a failed save (a full
// disk, a missing folder) leaves whatever `path` held before, or nothing.
// A symbolic link is followed: the file it names is replaced. Throws
// FileWriteError.
void WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace velmora
