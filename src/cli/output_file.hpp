#pragma once
// The picture file of --raw. It is opened before the render, so that a path
// that cannot be written costs no rendering time, and written after it. An
// existing file keeps its contents until there is a picture to put in it; a
// file made for a render that produced nothing, or that could not be
// filled, is removed again.

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Opens `path` for writing, creating it if need be. Returns the reason it
    // failed, or an empty string.
    std::string open(const std::string& path);

    // Replaces the file's contents by `bytes` and closes it. Returns the
    // reason it failed (a full disk, say), or an empty string.
    std::string write(const std::vector<uint8_t>& bytes);

private:
    int fd_ = -1;
    std::string path_;
    bool created_ = false;
    bool written_ = false;
};

}  // namespace velmora
