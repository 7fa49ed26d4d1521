#include "output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace velmora {
namespace {

std::string Reason(int error) { return std::error_code(error, std::generic_category()).message(); }

}  // namespace

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    // A file this run made and could not fill is not left behind as if it
    // held a picture.
    if (created_ && !written_) ::unlink(path_.c_str());
}

std::string OutputFile::open(const std::string& path) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created_ = fd_ >= 0;
    if (fd_ < 0 && errno == EEXIST) fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    return fd_ < 0 ? Reason(errno) : std::string();
}

std::string OutputFile::write(const std::vector<uint8_t>& bytes) {
    // Only a regular file has contents to replace; a device (/dev/full,
    // /dev/null) or a pipe is simply written to.
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode) && ::ftruncate(fd_, 0) != 0) return Reason(errno);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Reason(errno);
        if (n == 0) return Reason(EIO);
        done += static_cast<size_t>(n);
    }
    const int fd = fd_;
    fd_ = -1;
    // Some file systems report a failed write only when the file is closed.
    if (::close(fd) != 0) return Reason(errno);
    written_ = true;
    return {};
}

}  // namespace velmora
