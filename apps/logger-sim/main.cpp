// veltra-logger-sim: the simulated logger (or, with "remote", the remote station of the sub port)
// on a pseudo-terminal, a serial device or a TCP port, for demos and as the far end of the
// end-to-end tests. The simulator itself (src/sim) runs on the time this loop gives it; here are
// only the line, the network, the clock, the signals and the journal file.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "sim/Journal.h"
#include "sim/LoggerSim.h"
#include "sim/Remote.h"
#include "sim/Rfc2217.h"
#include "sim/SimArgs.h"

namespace {

using vt::sim::JsonLine;
using vt::sim::LineKind;
using vt::sim::LinePeer;
using vt::sim::LoggerSim;
using vt::sim::ModemLines;
using vt::sim::ProgramOptions;
using vt::sim::RemoteStation;
using vt::sim::Rfc2217Server;

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
    int fd = -1;          // read and written by the simulator
    bool device = false;  // a serial device: its speed follows the logger's line
    int keepFd = -1;      // the pseudo-terminal's slave, kept open so a closing terminal ends nothing
    std::string path;     // what the terminal opens

    // A network line: the listening socket, the one client (or -1) and, for RFC 2217, the
    // Telnet side of that client.
    int listenFd = -1;
    bool telnet = false;
    std::optional<Rfc2217Server> server;
    std::string peer;
    bool network() const { return listenFd >= 0; }
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
    line.device = true;
    if (speedFor(baud) == B0)
        std::fprintf(stderr, "%s: %d bit/s is no standard speed; the device keeps its own\n", kName, baud);
    return makeRaw(line.fd, baud, error);
}

// A new speed for a serial device, after what was written at the old one has gone.
void setSpeed(int fd, int baud) {
    termios t{};
    const speed_t s = speedFor(baud);
    if (s == B0 || ::tcgetattr(fd, &t) != 0) {
        std::fprintf(stderr, "%s: cannot switch the device to %d bit/s\n", kName, baud);
        return;
    }
    ::cfsetispeed(&t, s);
    ::cfsetospeed(&t, s);
    if (::tcsetattr(fd, TCSADRAIN, &t) != 0)
        std::fprintf(stderr, "%s: cannot switch the device to %d bit/s: %s\n", kName, baud, errnoText().c_str());
}

// A listening socket on 127.0.0.1:port (0: the kernel picks one); the address goes to `path`.
bool openListener(int port, bool telnet, Line& line, std::string& error) {
    line.listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (line.listenFd < 0) {
        error = "cannot make a socket: " + errnoText();
        return false;
    }
    const int yes = 1;
    ::setsockopt(line.listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(line.listenFd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + errnoText();
        return false;
    }
    // One client at a time: the next one waits in the backlog until the last has gone.
    if (::listen(line.listenFd, 1) != 0) {
        error = "cannot listen: " + errnoText();
        return false;
    }
    socklen_t len = sizeof a;
    ::getsockname(line.listenFd, reinterpret_cast<sockaddr*>(&a), &len);
    line.telnet = telnet;
    line.path = std::string(telnet ? "rfc2217" : "tcp") + "://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    return true;
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

// Bytes for the terminal, bounded like a real line's buffer: what does not fit is lost.
class Outbox {
  public:
    void add(std::string_view bytes) {
        const size_t room = kMaxUnwritten - std::min(kMaxUnwritten, bytes_.size());
        if (bytes.size() > room) lost_ += long(bytes.size() - room);
        bytes_.append(bytes.substr(0, room));
    }
    // Writes what the descriptor takes now; false when the other end is gone.
    bool writeTo(int fd) {
        while (!bytes_.empty()) {
            const ssize_t n = ::write(fd, bytes_.data(), bytes_.size());
            if (n > 0) {
                bytes_.erase(0, size_t(n));
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                return n < 0 && errno == EAGAIN;  // full: poll says when it takes more
            }
        }
        return true;
    }
    bool empty() const { return bytes_.empty(); }
    void clear() { bytes_.clear(); }
    long takeLost() { return std::exchange(lost_, 0); }

  private:
    std::string bytes_;
    long lost_ = 0;
};

class Server {
  public:
    Server(LinePeer& peer, Line& line, JournalFile& journal, int baud)
        : peer_(peer), line_(line), journal_(journal), baud_(baud), deviceBaud_(baud), start_(monotonicMs()) {}

    int run() {
        char buf[512];
        for (;;) {
            const int64_t t = now();
            pass(t);
            const int64_t due = peer_.nextDueMs(t);
            int timeout = -1;
            if (due >= 0) timeout = int(std::min<int64_t>(std::max<int64_t>(due - now(), 0), 60000));
            const int fd = lineFd();
            const bool accepting = line_.network() && client_ < 0;
            pollfd fds[2] = {{signalPipe[0], POLLIN, 0},
                             {accepting ? line_.listenFd : fd, short(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0}};
            const int ready = ::poll(fds, fds[1].fd >= 0 ? 2 : 1, timeout);
            if (ready < 0) {
                if (errno == EINTR) continue;
                return fail("poll: " + errnoText());
            }
            if (fds[0].revents & POLLIN) return 0;
            if (accepting) {
                if (fds[1].revents & POLLIN) accept();
                continue;
            }
            if (fds[1].revents & POLLIN) {
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n > 0) {
                    heard(std::string_view(buf, size_t(n)));
                } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                    if (!line_.network()) return fail("the line " + line_.path + " closed");
                    hangUp();
                }
            } else if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                if (!line_.network()) return fail("the line " + line_.path + " closed");
                hangUp();
            }
        }
    }

  private:
    int64_t now() const { return monotonicMs() - start_; }
    int lineFd() const { return line_.network() ? client_ : line_.fd; }

    // Whatever the peer has for the line by `t` goes out, and so does the journal.
    void pass(int64_t t) {
        const std::string bytes = peer_.transmit(t);
        // A fast download switches the logger's line; a serial device goes along. (The switch
        // comes while the line is quiet, so no byte of this pass belongs to the old speed.)
        if (line_.device && peer_.baud() != deviceBaud_) {
            deviceBaud_ = peer_.baud();
            setSpeed(line_.fd, deviceBaud_);
        }
        const std::vector<ModemLines> changes = peer_.takeLineChanges();
        const bool heard = !line_.network() || client_ >= 0;  // with no client, nobody hears it
        if (heard && line_.server) {
            Rfc2217Server& s = *line_.server;
            for (const ModemLines& l : changes) s.setModemLines(l.cd, l.ri, t);
            // Held while the client has the flow suspended, like the buffer of a real port.
            held_ += bytes;
            if (held_.size() > kMaxUnwritten) {
                lost_ += long(held_.size() - kMaxUnwritten);
                held_.resize(kMaxUnwritten);
            }
            if (!s.suspended()) s.toClient(std::exchange(held_, {}));
            out_.add(s.takeOutput());
        } else if (heard) {
            out_.add(bytes);
        }
        if (heard && !out_.writeTo(lineFd()) && line_.network()) hangUp();
        std::vector<std::string> lines = std::exchange(notes_, {});
        note(peer_.takeJournal());
        if (line_.server) note(line_.server->takeJournal());
        lines.insert(lines.end(), std::make_move_iterator(notes_.begin()), std::make_move_iterator(notes_.end()));
        notes_.clear();
        if (const long lost = out_.takeLost() + std::exchange(lost_, 0); lost > 0)
            lines.push_back(JsonLine(t, "overflow").add("bytes", lost).str());
        journal_.write(lines);
    }

    void heard(std::string_view bytes) {
        const int64_t t = now();
        if (!line_.server) {
            peer_.receive(bytes, t);
            return;
        }
        const std::string data = line_.server->fromClient(bytes, t);
        const Rfc2217Server::Requests r = line_.server->takeRequests();
        if (r.baud != 0) peer_.setBaud(int(r.baud));
        if (r.purgeTransmit) {
            peer_.purgeOutput(t);
            held_.clear();
        }
        if (r.dtrOff) peer_.dtrOff(t);
        if (!data.empty()) peer_.receive(data, t);
    }

    void accept() {
        sockaddr_in a{};
        socklen_t len = sizeof a;
        const int fd = ::accept4(line_.listenFd, reinterpret_cast<sockaddr*>(&a), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        const int yes = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);  // frames go out as they come
        client_ = fd;
        char host[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &a.sin_addr, host, sizeof host);
        line_.peer = std::string(host) + ":" + std::to_string(ntohs(a.sin_port));
        const int64_t t = now();
        out_.clear();
        held_.clear();
        // What was said before the client came is not for it.
        peer_.transmit(t);
        peer_.takeLineChanges();
        note(peer_.takeJournal());
        notes_.push_back(JsonLine(t, "client").add("on", true).add("peer", line_.peer).str());
        if (line_.telnet) {
            line_.server.emplace(std::uint32_t(baud_));
            const ModemLines l = peer_.lines();
            line_.server->setModemLines(l.cd, l.ri, t);
            line_.server->start(t);
        }
    }

    // The client went: as if the terminal dropped DTR.
    void hangUp() {
        if (client_ < 0) return;
        ::close(client_);
        client_ = -1;
        const int64_t t = now();
        if (line_.server) {
            baud_ = int(line_.server->settings().baud);
            note(line_.server->takeJournal());
            line_.server.reset();
        }
        note(peer_.takeJournal());
        peer_.dtrOff(t);
        note(peer_.takeJournal());
        notes_.push_back(JsonLine(t, "client").add("on", false).add("peer", line_.peer).str());
        out_.clear();
        held_.clear();
    }

    // Journal lines kept in the order things happened until the next pass writes them.
    void note(std::vector<std::string> lines) {
        notes_.insert(notes_.end(), std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
    }

    LinePeer& peer_;
    Line& line_;
    JournalFile& journal_;
    int baud_;
    int deviceBaud_;
    int64_t start_;
    int client_ = -1;
    Outbox out_;
    std::string held_;
    long lost_ = 0;
    std::vector<std::string> notes_;
};

int run(const ProgramOptions& o) {
    std::unique_ptr<LinePeer> peer;
    if (o.role == vt::sim::Role::Remote) {
        peer = std::make_unique<RemoteStation>(o.remote);
    } else {
        vt::sim::MemoryResult memory = vt::sim::makeMemory(o.sim);
        if (!memory) return fail(memory.error);
        peer = std::make_unique<LoggerSim>(o.sim, std::move(*memory.memory));
    }
    JournalFile journal;
    std::string error;
    if (!journal.open(o.journal, error)) return fail(error);

    Line line;
    bool opened = false;
    switch (o.line) {
        case LineKind::Pty:
            opened = openPty(o.sim.baud, line, error);
            break;
        case LineKind::Device:
            opened = openDevice(o.device, o.sim.baud, line, error);
            break;
        case LineKind::Rfc2217:
        case LineKind::Tcp:
            opened = openListener(o.port, o.line == LineKind::Rfc2217, line, error);
            break;
    }
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

    Server server(*peer, line, journal, o.sim.baud);
    const int status = server.run();
    journal.write(peer->takeJournal());
    if (!o.link.empty()) ::unlink(o.link.c_str());
    if (line.keepFd >= 0) ::close(line.keepFd);
    if (line.fd >= 0) ::close(line.fd);
    if (line.listenFd >= 0) ::close(line.listenFd);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s %s\n", kName, VELTRA_VERSION);
        return 0;
    }
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
