// The built renderer as a shell runs it: standard output on a pipe or a file
// opened for appending, and stopped by a signal.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "temp_dir.hpp"

extern char** environ;

namespace velmora {
namespace {

// Starts the renderer with standard output on `out` and standard error in
// the file `err`.
pid_t Start(const std::vector<std::string>& args, int out, const std::string& err) {
    std::vector<std::string> all{VELMORA_RENDER};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

// The exit status, or -1 for a program that did not exit by itself (or not
// within a minute, when it is killed).
int Wait(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Finished {
    int status;
    std::string out, err;
};

// Runs the renderer with its standard output on a pipe.
Finished ThroughPipe(const TempDir& dir, const std::vector<std::string>& args) {
    int ends[2];
    if (::pipe(ends) != 0) return {-1, "", "no pipe"};
    const pid_t pid = Start(args, ends[1], dir.file("err.txt"));
    ::close(ends[1]);
    std::string out;
    char chunk[4096];
    for (ssize_t n; (n = ::read(ends[0], chunk, sizeof chunk)) > 0;) out.append(chunk, static_cast<size_t>(n));
    ::close(ends[0]);
    const int status = pid < 0 ? -1 : Wait(pid);
    return {status, out, ReadFile(dir.file("err.txt"))};
}

TEST(RendererProcess, StandardOutputCarriesExactlyThePicture) {
    const TempDir dir;
    const std::vector<std::string> picture{"--size", "16", "--mandelbrot"};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.begin(), picture.begin(), picture.end());
        return more;
    };
    ASSERT_EQ(ThroughPipe(dir, with({"--raw", dir.file("pic.raw"), "--gif", dir.file("pic.gif")})).status, 0);
    const std::string raw = ReadFile(dir.file("pic.raw")), gif = ReadFile(dir.file("pic.gif"));
    ASSERT_EQ(raw.size(), 16u * 12u);

    const struct {
        const char* option;
        const char* name;
        const std::string& bytes;
    } cases[] = {{"--raw", "-", raw}, {"--raw", "/dev/stdout", raw}, {"--gif", "/dev/stdout", gif}, {"--gif", "-", gif}};
    for (const auto& c : cases) {
        const Finished r = ThroughPipe(dir, with({c.option, c.name, "--stats"}));
        EXPECT_EQ(r.status, 0) << c.option << ' ' << c.name << ": " << r.err;
        EXPECT_TRUE(r.out == c.bytes) << c.option << ' ' << c.name;
        // The words go to standard error, where they cannot spoil the picture.
        EXPECT_EQ(r.err.rfind("Picture completed.\nsize 16x12\n", 0), 0u) << r.err;

        // `>>` adds the picture after what the file held.
        const std::string log = dir.file("log.txt");
        std::ofstream(log) << "log\n";
        const int fd = ::open(log.c_str(), O_WRONLY | O_APPEND);
        ASSERT_GE(fd, 0);
        const pid_t pid = Start(with({c.option, c.name}), fd, dir.file("err.txt"));
        ::close(fd);
        EXPECT_EQ(Wait(pid), 0);
        EXPECT_TRUE(ReadFile(log) == "log\n" + c.bytes) << c.option << ' ' << c.name;
    }

    // Two pictures in one stream could not be told apart.
    const Finished both = ThroughPipe(dir, with({"--raw", "-", "--bmp", "/dev/stdout"}));
    EXPECT_EQ(both.status, 2);
    EXPECT_EQ(both.err, "velmora-render: --bmp: /dev/stdout is also the file of --raw\n");
    EXPECT_EQ(both.out, "");
}

// Ctrl-C or SIGTERM stops the picture: what existed stays as it was, and
// no new or temporary file is left.
TEST(RendererProcess, StopSignalsLeaveTheFilesAsTheyWere) {
    for (const int signal : {SIGINT, SIGTERM}) {
        const TempDir dir;
        const std::string kept = dir.file("kept.raw"), fresh = dir.file("fresh.gif");
        std::ofstream(kept) << "old picture";
        const int null = ::open("/dev/null", O_WRONLY);
        // A picture of minutes: a Siegel disk's orbits neither escape nor repeat.
        const pid_t pid = Start({"--size", "400", "--iterations", "50000", "--julia", "-0.3905408702184,-0.5867879073469",
                                 "--raw", kept, "--gif", fresh},
                                null, dir.file("err.txt"));
        ::close(null);
        ASSERT_GT(pid, 0);
        // Its new files are made before it starts computing.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (dir.names().size() < 4 &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // well into the columns
        ::kill(pid, signal);
        EXPECT_EQ(Wait(pid), 128 + signal) << signal;
        EXPECT_EQ(ReadFile(dir.file("err.txt")),
                  std::string("velmora-render: stopped by ") + ::strsignal(signal) + "; no output was written\n");
        EXPECT_EQ(ReadFile(kept), "old picture");
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"err.txt", "kept.raw"})) << signal;
    }
}

}  // namespace
}  // namespace velmora
