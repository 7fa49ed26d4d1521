#include "file_bytes.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "fault.hpp"

namespace velmora {
namespace {

constexpr int kReadBeyondEnd = 100;

// Closes a descriptor on every path out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; some file systems report a failed write only here.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// The file a name stands for: the target of a symbolic link, so that saving
// through a link replaces the file and keeps the link.
std::string ResolvedTarget(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) return path;
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : target.string();
}

mode_t NewFileMode(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int FileErrorCode(int errnum) {
    switch (errnum) {
    case ENOENT: return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST: return 5;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return 101;
    default: return 0;
    }
}

std::string FileErrorReason(int errnum) {
    const int code = FileErrorCode(errnum);
    if (code > 0) return FileErrorMessage(code);
    return std::error_code(errnum, std::generic_category()).message();
}

std::vector<uint8_t> ReadFileBytes(const std::string& path, size_t count) {
    const auto fail = [](int code) { return FaultError(FaultKind::InputOutput, std::to_string(code)); };
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        const int code = FileErrorCode(errno);
        throw fail(code > 0 ? code : errno);
    }
    std::vector<uint8_t> bytes(count);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(file.get(), bytes.data() + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int code = FileErrorCode(errno);
            throw fail(code > 0 ? code : errno);
        }
        if (n == 0) throw fail(kReadBeyondEnd);
        done += static_cast<size_t>(n);
    }
    return bytes;
}

FileWriteError::FileWriteError(const std::string& path, int errnum)
    : std::runtime_error("Cannot save " + path + ": " + FileErrorReason(errnum)), code_(FileErrorCode(errnum)) {}

void WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (path.empty()) throw FileWriteError(path, ENOENT);
    const std::string target = ResolvedTarget(path);
    const mode_t mode = NewFileMode(target);
    std::string temporary = target + ".XXXXXX";
    Descriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0) throw FileWriteError(path, errno);
    const auto fail = [&](int errnum) {
        ::unlink(temporary.c_str());
        return FileWriteError(path, errnum);
    };
    if (!WriteAll(file.get(), bytes) || ::fchmod(file.get(), mode) != 0 || ::fsync(file.get()) != 0) throw fail(errno);
    if (!file.close()) throw fail(errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0) throw fail(errno);
}

}  // namespace velmora
