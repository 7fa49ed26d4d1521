#include "file_stream.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "fault.hpp"

namespace velmora {
namespace {

constexpr size_t kBufferSize = 1 << 16;

}  // namespace

std::string FileErrorReason(int osError) {
    const int code = FileErrorCode(osError);
    if (code == 0) return std::error_code(osError, std::generic_category()).message();
    return FileErrorMessage(code);
}

int FileErrorCode(int osError) {
    switch (osError) {
    case ENOENT:
    case ENOTDIR: return 2;
    case ENAMETOOLONG:
    case EINVAL: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return 5;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return 101;
    default: return 0;
    }
}

// --- FileSource ------------------------------------------------------------

FileSource::FileSource(const std::string& path) : buffer_(kBufferSize) {
    // Opened without waiting, so that a pipe with no writer cannot hold the
    // program up; only a regular file holds a picture or a palette.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        const int code = FileErrorCode(errno);
        throw FaultError(FaultKind::InputOutput, std::to_string(code ? code : errno));
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw FaultError(FaultKind::InputOutput, std::to_string(FileErrorCode(EACCES)));
    }
    // Reads of a regular file do not wait anyway; the flag goes for clarity.
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

FileSource::~FileSource() {
    if (fd_ >= 0) ::close(fd_);
}

size_t FileSource::read(uint8_t* out, size_t count) {
    size_t done = 0;
    while (done < count) {
        if (begin_ == end_) {
            ssize_t n;
            do n = ::read(fd_, buffer_.data(), buffer_.size());
            while (n < 0 && errno == EINTR);
            if (n < 0) {
                const int code = FileErrorCode(errno);
                throw FaultError(FaultKind::InputOutput, std::to_string(code ? code : errno));
            }
            if (n == 0) break;
            begin_ = 0;
            end_ = static_cast<size_t>(n);
        }
        const size_t take = std::min(count - done, end_ - begin_);
        std::memcpy(out + done, buffer_.data() + begin_, take);
        begin_ += take;
        done += take;
    }
    return done;
}

// --- FileSink --------------------------------------------------------------

FileSink::FileSink(const std::string& path) : path_(path), target_(path) {
    static std::atomic<unsigned> serial{0};
    buffer_.reserve(kBufferSize);
    // A link is followed, so that the file it names is replaced and the link
    // stays. A device or a pipe has no contents to replace (and replacing
    // /dev/null by a file would be a disaster): it is written as it is.
    struct stat st {};
    for (int hop = 0; hop < 40 && ::lstat(target_.c_str(), &st) == 0 && S_ISLNK(st.st_mode); ++hop) {
        std::error_code error;
        const std::filesystem::path link(target_), named = std::filesystem::read_symlink(link, error);
        if (error) break;
        target_ = (named.is_absolute() ? named : link.parent_path() / named).string();
    }
    if (::stat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) throw FileWriteError(path_, FileErrorReason(errno));
        direct_ = true;
        return;
    }
    // A hidden name in the same directory, so the rename stays on one file
    // system and replaces the old file in one step.
    const size_t slash = target_.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = dir + "." + base + "." + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".tmp";
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) throw FileWriteError(path_, FileErrorReason(errno));
}

FileSink::~FileSink() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !direct_) ::unlink(temporary_.c_str());
}

void FileSink::fail(int osError) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    throw FileWriteError(path_, FileErrorReason(osError));
}

void FileSink::write(const uint8_t* data, size_t count) {
    if (fd_ < 0) throw FileWriteError(path_, "the file is closed");
    buffer_.insert(buffer_.end(), data, data + count);
    if (buffer_.size() >= kBufferSize) flush();
}

void FileSink::flush() {
    size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail(errno);
        if (n == 0) fail(EIO);
        done += static_cast<size_t>(n);
    }
    buffer_.clear();
}

void FileSink::commit() {
    if (fd_ < 0) throw FileWriteError(path_, "the file is closed");
    flush();
    const int fd = fd_;
    fd_ = -1;
    // Some file systems report a failed write only when the file is closed.
    if (::close(fd) != 0) fail(errno);
    if (!direct_ && ::rename(temporary_.c_str(), target_.c_str()) != 0) fail(errno);
    committed_ = true;
}

}  // namespace velmora
