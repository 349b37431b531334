// veltra-logger-sim as a program: it names its pseudo-terminal, answers a command frame on it,
// ends cleanly on SIGTERM (symlink gone, journal written) and exits with the documented status.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "sim/SimTestSupport.h"
#include "support/TestApp.h"

extern char** environ;

namespace vt::sim::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using vt::test::readFile;
using vt::test::TempDir;
using vt::test::writeFile;

constexpr int kWaitMs = 10000;  // a bound, never a sleep: every wait ends as soon as its data is there

struct Child {
    pid_t pid = -1;
    int out = -1, err = -1;
};

Child start(const std::vector<std::string>& args) {
    int out[2], err[2];
    Child c;
    if (::pipe(out) != 0 || ::pipe(err) != 0) return c;
    posix_spawn_file_actions_t fa;
    ::posix_spawn_file_actions_init(&fa);
    ::posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    ::posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    ::posix_spawn_file_actions_addclose(&fa, out[0]);
    ::posix_spawn_file_actions_addclose(&fa, err[0]);
    std::vector<std::string> all{VELTRA_LOGGER_SIM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&c.pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) c.pid = -1;
    ::posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);
    ::close(err[1]);
    c.out = out[0];
    c.err = err[0];
    return c;
}

// Reads from fd until `enough` says so, the other end closes or the bound passes.
template <typename Enough>
std::string readUntil(int fd, Enough enough, int boundMs = kWaitMs) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    while (!enough(got)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) <= 0) break;
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, size_t(n));
    }
    return got;
}
std::string readAll(int fd) {
    return readUntil(fd, [](const std::string&) { return false; });
}

// Waits for the exit (its pipes close first) and gives the status, -1 when it did not exit.
int exitStatus(Child& c) {
    readAll(c.out);
    readAll(c.err);
    int status = 0;
    if (::waitpid(c.pid, &status, 0) != c.pid) return -1;
    ::close(c.out);
    ::close(c.err);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SimProgram, ServesAPseudoTerminalAndEndsCleanlyOnSigterm) {
    TempDir dir;
    const std::string link = dir.file("logger"), journal = dir.file("journal.jsonl");
    Child c = start({"--laps", "2", "--course", "oval", "--link", link, "--journal", journal});
    ASSERT_GT(c.pid, 0);
    const std::string first = readUntil(c.out, [](const std::string& s) { return s.find('\n') != std::string::npos; });
    ASSERT_THAT(first, StartsWith("veltra-logger-sim: /dev/"));
    const std::string slave = first.substr(19, first.find('\n') - 19);
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), slave);

    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    const std::string para = command("PARA");
    ASSERT_EQ(::write(fd, para.data(), para.size()), ssize_t(para.size()));
    const std::string reply = readUntil(fd, [](const std::string& s) { return s.size() >= 25; });
    ::close(fd);
    ASSERT_EQ(reply.size(), 25u);
    frame::Frame f{};
    std::copy(reply.begin(), reply.end(), f.begin());
    EXPECT_TRUE(wellFormed(f));
    EXPECT_EQ(f[frame::kKind], 'P');
    EXPECT_EQ(f[frame::kMmPerPulse] * 256 + f[frame::kMmPerPulse + 1], 200);

    ASSERT_EQ(::kill(c.pid, SIGTERM), 0);
    EXPECT_EQ(exitStatus(c), 0);
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0) << "the symlink outlived the program";
    const std::string lines = readFile(journal);
    EXPECT_THAT(lines, HasSubstr("\"event\":\"command\",\"text\":\"PARA\""));
    EXPECT_THAT(lines, HasSubstr("\"kind\":\"P\""));
}

struct StatusCase {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* says;  // on standard error, or on standard output for status 0
    friend void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }
};
class SimProgramStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(SimProgramStatus, ExitsWithTheDocumentedStatus) {
    // "@FILE" stands for a plain file the program must leave alone.
    TempDir dir;
    const std::string file = dir.file("plain");
    writeFile(file, "keep me");
    std::vector<std::string> args = GetParam().args;
    for (std::string& a : args)
        if (a == "@FILE") a = file;
    Child c = start(args);
    ASSERT_GT(c.pid, 0);
    const std::string out = readAll(c.out), err = readAll(c.err);
    EXPECT_EQ(exitStatus(c), GetParam().status);
    EXPECT_THAT(GetParam().status == 0 ? out : err, HasSubstr(GetParam().says));
    if (GetParam().status != 0) {
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    EXPECT_EQ(readFile(file), "keep me");
}

INSTANTIATE_TEST_SUITE_P(
    Runs, SimProgramStatus,
    ::testing::Values(
        StatusCase{"Help", {"--help"}, 0, "journal:"},
        StatusCase{"UsageMistake", {"--stream", "live"}, 2, "lap, logging or realtime"},
        StatusCase{"MissingLog", {"--log", "/nonexistent/run.log"}, 1, "/nonexistent/run.log"},
        StatusCase{"LinkOverAFile", {"--link", "@FILE", "--laps", "1", "--course", "oval"}, 1, "refusing to replace"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vt::sim::test
