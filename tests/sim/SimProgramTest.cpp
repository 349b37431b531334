// veltra-logger-sim as a program: it names its pseudo-terminal, answers a command frame on it,
// ends cleanly on SIGTERM (symlink gone, journal written) and exits with the documented status;
// as an RFC 2217 server it negotiates with a plain socket, client after client, and sends a
// parameter frame escaped. Downloads and the remote station through the program are the
// end-to-end tests' (tests/e2e).
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QProcess>

#include "sim/Rfc2217.h"
#include "sim/SimArgs.h"
#include "sim/SimTestSupport.h"
#include "support/SimProcess.h"
#include "support/TestApp.h"

namespace vt::sim::test {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using vt::test::readFile;
using vt::test::SimProcess;
using vt::test::TempDir;
using vt::test::writeFile;

constexpr int kWaitMs = 10000;  // a bound, never a sleep: every wait ends as soon as its data is there

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
void send(int fd, const std::string& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
}

TEST(SimProgram, ServesAPseudoTerminalAndEndsCleanlyOnSigterm) {
    TempDir dir;
    const std::string link = dir.file("logger"), journal = dir.file("journal.jsonl");
    SimProcess sim({"--laps", "2", "--course", "oval", "--link", link}, journal);
    ASSERT_THAT(sim.device(), StartsWith("/dev/"));
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), sim.device());

    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    send(fd, command("PARA"));
    const std::string reply = readUntil(fd, [](const std::string& s) { return s.size() >= 25; });
    ::close(fd);
    ASSERT_EQ(reply.size(), 25u);
    frame::Frame f{};
    std::copy(reply.begin(), reply.end(), f.begin());
    EXPECT_TRUE(wellFormed(f));
    EXPECT_EQ(f[frame::kKind], 'P');

    EXPECT_EQ(sim.stop(), 0);
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0) << "the symlink outlived the program";
    const std::string lines = readFile(journal);
    EXPECT_THAT(lines, HasSubstr("\"event\":\"command\",\"text\":\"PARA\""));
    EXPECT_THAT(lines, HasSubstr("\"kind\":\"P\""));
}

int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

std::string iac(std::initializer_list<int> b) {
    std::string s;
    for (int c : b) s += static_cast<char>(c);
    return s;
}

TEST(SimProgram, Rfc2217ServerNegotiatesAndSendsTheParameterFrameEscaped) {
    using namespace telnet;
    TempDir dir;
    const std::string journal = dir.file("journal.jsonl");
    // 255 mm a pulse puts 0xFF at frame byte 4: the server must double it. The frame is the one
    // the simulator in this process makes from the same options.
    const std::vector<std::string> args = {"--rfc2217", "0",    "--laps",         "1",
                                           "--course",  "oval", "--mm-per-pulse", "255"};
    LoggerSim local(parseProgramArgs(args).options.sim);
    local.receive(command("PARA"), 0);
    std::string escaped;
    for (char b : joined(runUntil(local, 0, 1000))) escaped += b == char(kIAC) ? std::string(2, b) : std::string(1, b);
    ASSERT_EQ(escaped.size(), 26u);
    SimProcess sim(args, journal);
    ASSERT_THAT(sim.device(), StartsWith("rfc2217://127.0.0.1:"));
    const int port = std::stoi(sim.device().substr(sim.device().rfind(':') + 1));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "first client" : "a client after the first has gone");
        const int fd = connectTo(port);
        ASSERT_GE(fd, 0) << std::strerror(errno);
        const std::string offers = iac({kIAC, kWILL, kBinary, kIAC, kDO, kBinary, kIAC, kWILL, kSuppressGoAhead, kIAC,
                                        kDO, kSuppressGoAhead, kIAC, kDO, kComPort});
        EXPECT_EQ(readUntil(fd, [&](const std::string& s) { return s.size() >= offers.size(); }), offers);

        // The negotiation's answers are the unit tests'; here the frame comes through escaped.
        send(fd, iac({kIAC, kWILL, kComPort, kIAC, kDO, kBinary, kIAC, kWILL, kBinary}) + command("PARA"));
        EXPECT_THAT(readUntil(fd,
                              [&](const std::string& s) {
                                  return s.size() >= escaped.size() && s.substr(s.size() - escaped.size()) == escaped;
                              }),
                    EndsWith(escaped));
        ::close(fd);
    }
    EXPECT_EQ(sim.stop(), 0);
    const std::string lines = readFile(journal);
    EXPECT_THAT(lines, HasSubstr("\"event\":\"client\",\"on\":false"));
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
    QStringList list;
    for (const std::string& a : args) list << QString::fromStdString(a);
    QProcess p;
    p.start(QString::fromStdString(vt::test::simPath()), list);
    ASSERT_TRUE(p.waitForFinished(kWaitMs));
    const std::string out = p.readAllStandardOutput().toStdString(), err = p.readAllStandardError().toStdString();
    EXPECT_EQ(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, GetParam().status);
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
