#include "file_stream.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
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

namespace {

// The descriptor a name stands for when it names one of this process's open
// files (/dev/stdout, /dev/fd/1 ...), or -1. Reopening such a name would
// truncate a shell's `>>` and fails outright for a pipe.
int NamedDescriptor(const std::string& path) {
    if (path == "/dev/stdout") return STDOUT_FILENO;
    if (path == "/dev/stderr") return STDERR_FILENO;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::string_view head(prefix);
        if (path.size() <= head.size() || path.compare(0, head.size(), head) != 0) continue;
        int n = 0;
        for (size_t i = head.size(); i < path.size(); ++i) {
            if (path[i] < '0' || path[i] > '9' || n > 100000) return -1;
            n = n * 10 + (path[i] - '0');
        }
        return n;
    }
    return -1;
}

constexpr int kMostLinks = 40;

// The file that replaces `old` gets its owner and mode. Only root may give a
// file away, and a user only to a group of one's own; what cannot be kept
// leaves the new file the user's own and private. The owner goes first, as
// changing it clears the set-id bits.
void KeepOwnerAndMode(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        const int groupOnly = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        static_cast<void>(groupOnly);
    }
    const int mode = ::fchmod(fd, old.st_mode & 07777);
    static_cast<void>(mode);
}

}  // namespace

FileSink::FileSink(int descriptor, const std::string& name) : path_(name), target_(name) {
    buffer_.reserve(kBufferSize);
    openDescriptor(descriptor);
}

void FileSink::openDescriptor(int descriptor) {
    // A copy of the descriptor writes where the shell pointed it, at its
    // offset and in its mode, and leaves the descriptor itself open.
    fd_ = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0) throw FileWriteError(path_, FileErrorReason(errno));
    direct_ = true;
    descriptor_ = descriptor;
}

FileSink::FileSink(const std::string& path) : path_(path), target_(path) {
    static std::atomic<unsigned> serial{0};
    buffer_.reserve(kBufferSize);
    // A link is followed, so that the file it names is replaced and the link
    // stays; a link to nothing gets the file it names, as a shell's `>`
    // would make it. A link loop names no file and is refused. A device or a
    // pipe has no contents to replace (and replacing /dev/null by a file
    // would be a disaster): it is written as it is.
    struct stat st {};
    for (int hop = 0;; ++hop) {
        if (const int descriptor = NamedDescriptor(target_); descriptor >= 0) {
            openDescriptor(descriptor);
            return;
        }
        if (::lstat(target_.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        if (hop == kMostLinks) throw FileWriteError(path_, FileErrorReason(ELOOP));
        std::error_code error;
        const std::filesystem::path link(target_), named = std::filesystem::read_symlink(link, error);
        if (error) throw FileWriteError(path_, FileErrorReason(error.value()));
        target_ = (named.is_absolute() ? named : link.parent_path() / named).string();
    }
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
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
    // In place of a file the new one is private until it has the old one's
    // owner and mode, so a private picture is never open to others.
    const mode_t mode = exists ? 0600 : 0666;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = dir + "." + base + "." + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".tmp";
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) throw FileWriteError(path_, FileErrorReason(errno));
    if (exists) KeepOwnerAndMode(fd_, st);
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
