#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "file_stream.hpp"
#include "temp_dir.hpp"

namespace velmora {
namespace {

void Save(const std::string& path, const std::string& bytes) {
    FileSink sink(path);
    sink.write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    sink.commit();
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// A saved file replaces the old one with its permissions: a private
// picture stays private, an executable bit stays.
TEST(FileSink, ReplacingKeepsTheModeAndOwner) {
    const TempDir dir;
    for (const mode_t mode : {0600, 0640, 0604, 0755}) {
        const std::string path = dir.file("pic" + std::to_string(mode));
        std::ofstream(path) << "old";
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        Save(path, "new");
        EXPECT_EQ(ReadFile(path), "new");
        EXPECT_EQ(StatOf(path).st_mode & 07777, mode) << std::oct << mode;
    }
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
    const std::string theirs = dir.file("theirs");
    std::ofstream(theirs) << "old";
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    Save(theirs, "new");
    EXPECT_EQ(StatOf(theirs).st_uid, 65534u);
    EXPECT_EQ(StatOf(theirs).st_gid, 65534u);
}

// A name of an open descriptor writes into that descriptor as the shell set
// it up: into a pipe, and after what an append-mode file already holds.
TEST(FileSink, NamesOfOpenDescriptorsAreWrittenInPlace) {
    const TempDir dir;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        Save(prefix + std::to_string(ends[1]), "picture");
        ::close(ends[1]);  // the sink closed only its own copy
        char got[16] = {};
        EXPECT_EQ(::read(ends[0], got, sizeof got), 7);
        EXPECT_EQ(std::string(got), "picture") << prefix;
        ::close(ends[0]);

        const std::string log = dir.file("log.txt");
        std::ofstream(log) << "log\n";
        const int fd = ::open(log.c_str(), O_WRONLY | O_APPEND);
        ASSERT_GE(fd, 0);
        Save(prefix + std::to_string(fd), "picture");
        ::close(fd);
        EXPECT_EQ(ReadFile(log), "log\npicture") << prefix;
        EXPECT_EQ(dir.names(), std::vector<std::string>{"log.txt"}) << prefix;
    }
}

}  // namespace
}  // namespace velmora
