// veltra-logger-sim: the simulated logger on a pseudo-terminal (or a serial device), for demos
// and as the far end of the end-to-end tests. The simulator itself (src/sim) runs on the time
// this loop gives it; here are only the line, the clock, the signals and the journal file.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "sim/LoggerSim.h"
#include "sim/SimArgs.h"

namespace {

using vt::sim::LoggerSim;
using vt::sim::ProgramOptions;

constexpr const char* kName = "veltra-logger-sim";
// Bytes kept for a line nobody reads; past this, new bytes are lost as on a real line.
constexpr size_t kMaxUnwritten = 4096;

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    const int saved = errno;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
    errno = saved;
}

int64_t monotonicMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int fail(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", kName, text.c_str());
    return 1;
}

std::string errnoText() { return std::strerror(errno); }

speed_t speedFor(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        default:
            return B0;
    }
}

// Raw bytes both ways: no echo, no line editing, no translation.
bool makeRaw(int fd, int baud, std::string& error) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        error = "cannot read the line settings: " + errnoText();
        return false;
    }
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (const speed_t s = speedFor(baud); s != B0) {
        ::cfsetispeed(&t, s);
        ::cfsetospeed(&t, s);
    }
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        error = "cannot set the line to raw mode: " + errnoText();
        return false;
    }
    return true;
}

struct Line {
    int fd = -1;       // read and written by the simulator
    int keepFd = -1;   // the pseudo-terminal's slave, kept open so a closing terminal ends nothing
    std::string path;  // what the terminal opens
};

bool openPty(int baud, Line& line, std::string& error) {
    line.fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (line.fd < 0 || ::grantpt(line.fd) != 0 || ::unlockpt(line.fd) != 0) {
        error = "cannot open a pseudo-terminal: " + errnoText();
        return false;
    }
    const char* name = ::ptsname(line.fd);
    if (name == nullptr) {
        error = "cannot name the pseudo-terminal: " + errnoText();
        return false;
    }
    line.path = name;
    line.keepFd = ::open(name, O_RDWR | O_NOCTTY);
    if (line.keepFd < 0) {
        error = "cannot open " + line.path + ": " + errnoText();
        return false;
    }
    if (!makeRaw(line.keepFd, baud, error)) return false;
    ::fcntl(line.fd, F_SETFL, ::fcntl(line.fd, F_GETFL) | O_NONBLOCK);
    return true;
}

bool openDevice(const std::string& device, int baud, Line& line, std::string& error) {
    line.fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (line.fd < 0) {
        error = "cannot open " + device + ": " + errnoText();
        return false;
    }
    line.path = device;
    if (speedFor(baud) == B0)
        std::fprintf(stderr, "%s: %d bit/s is no standard speed; the device keeps its own\n", kName, baud);
    return makeRaw(line.fd, baud, error);
}

// A symlink at `link` to `target`; an old symlink there is replaced, anything else is kept.
bool makeLink(const std::string& link, const std::string& target, std::string& error) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = "refusing to replace " + link + ": it is not a symlink";
            return false;
        }
        if (::unlink(link.c_str()) != 0) {
            error = "cannot remove the old symlink " + link + ": " + errnoText();
            return false;
        }
    }
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        error = "cannot make the symlink " + link + ": " + errnoText();
        return false;
    }
    return true;
}

class JournalFile {
  public:
    bool open(const std::string& where, std::string& error) {
        if (where.empty()) return true;
        if (where == "-") {
            file_ = stderr;
            return true;
        }
        file_ = std::fopen(where.c_str(), "w");
        owned_ = file_ != nullptr;
        if (!file_) error = "cannot write the journal " + where + ": " + errnoText();
        return file_ != nullptr;
    }
    ~JournalFile() {
        if (owned_) std::fclose(file_);
    }
    void write(const std::vector<std::string>& lines) {
        if (!file_) return;
        for (const std::string& l : lines) {
            std::fputs(l.c_str(), file_);
            std::fputc('\n', file_);
            std::fflush(file_);
        }
    }

  private:
    std::FILE* file_ = nullptr;
    bool owned_ = false;
};

int serve(LoggerSim& sim, const Line& line, JournalFile& journal) {
    const int64_t start = monotonicMs();
    auto now = [start] { return monotonicMs() - start; };
    std::string unwritten;
    long lost = 0;
    char buf[512];
    for (;;) {
        const int64_t t = now();
        std::string out = sim.transmit(t);
        if (unwritten.size() + out.size() > kMaxUnwritten) {
            const size_t room = kMaxUnwritten - std::min(kMaxUnwritten, unwritten.size());
            lost += long(out.size() - room);
            out.resize(room);
        }
        unwritten += out;
        while (!unwritten.empty()) {
            const ssize_t n = ::write(line.fd, unwritten.data(), unwritten.size());
            if (n > 0) {
                unwritten.erase(0, size_t(n));
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                break;  // full: poll says when it takes more
            }
        }
        std::vector<std::string> lines = sim.takeJournal();
        if (lost > 0) {
            lines.push_back("{\"t\":" + std::to_string(t) +
                            ",\"event\":\"overflow\",\"bytes\":" + std::to_string(lost) + "}");
            lost = 0;
        }
        journal.write(lines);

        const int64_t due = sim.nextDueMs(t);
        int timeout = -1;
        if (due >= 0) timeout = int(std::min<int64_t>(std::max<int64_t>(due - now(), 0), 60000));
        pollfd fds[2] = {{line.fd, short(POLLIN | (unwritten.empty() ? 0 : POLLOUT)), 0}, {signalPipe[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return fail("poll: " + errnoText());
        }
        if (fds[1].revents & POLLIN) return 0;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(line.fd, buf, sizeof buf);
            if (n > 0) {
                sim.receive(std::string_view(buf, size_t(n)), now());
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                return fail("the line " + line.path + " closed");
            }
        } else if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            return fail("the line " + line.path + " closed");
        }
    }
}

int run(const ProgramOptions& o) {
    vt::sim::MemoryResult memory = vt::sim::makeMemory(o.sim);
    if (!memory) return fail(memory.error);
    JournalFile journal;
    std::string error;
    if (!journal.open(o.journal, error)) return fail(error);

    Line line;
    const bool opened =
        o.device.empty() ? openPty(o.sim.baud, line, error) : openDevice(o.device, o.sim.baud, line, error);
    if (!opened) return fail(error);
    if (::pipe(signalPipe) != 0) return fail("pipe: " + errnoText());
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    ::sigemptyset(&sa.sa_mask);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    if (!o.link.empty() && !makeLink(o.link, line.path, error)) return fail(error);
    std::printf("%s: %s\n", kName, line.path.c_str());
    std::fflush(stdout);

    LoggerSim sim(o.sim, std::move(*memory.memory));
    const int status = serve(sim, line, journal);
    journal.write(sim.takeJournal());
    if (!o.link.empty()) ::unlink(o.link.c_str());
    if (line.keepFd >= 0) ::close(line.keepFd);
    ::close(line.fd);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const vt::sim::ParsedArgs parsed = vt::sim::parseProgramArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s (see --help)\n", kName, parsed.error.c_str());
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(vt::sim::helpText(), stdout);
        return 0;
    }
    return run(parsed.options);
}
