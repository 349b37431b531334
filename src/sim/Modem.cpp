#include "sim/Modem.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

#include "sim/Journal.h"

namespace vt::sim {

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr char kBS = 0x08;

constexpr std::array<std::pair<DialResult, const char*>, 5> kResultWords{{
    {DialResult::Connect, "CONNECT"},
    {DialResult::Busy, "BUSY"},
    {DialResult::NoCarrier, "NO CARRIER"},
    {DialResult::NoDialtone, "NO DIALTONE"},
    {DialResult::NoAnswer, "NO ANSWER"},
}};

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Digits at `i` as a number (at most 3 digits are read, the rest make the command wrong);
// `fallback` when there are none.
int numberAt(const std::string& s, std::size_t& i, int fallback, bool& had) {
    had = false;
    int v = 0;
    std::size_t n = 0;
    while (i < s.size() && isDigit(s[i])) {
        if (n < 4) v = v * 10 + (s[i] - '0');
        ++n;
        ++i;
    }
    if (n == 0) return fallback;
    had = true;
    return n > 3 ? 1000 : v;
}

template <typename T>
T perCall(const std::vector<T>& plan, int call, T none) {
    const auto k = std::size_t(call - 1);
    return k < plan.size() ? plan[k] : none;
}

}  // namespace

const char* dialResultText(DialResult r) {
    for (const auto& [result, word] : kResultWords)
        if (result == r) return word;
    return "CONNECT";
}

bool parseDialResult(std::string_view text, DialResult& out) {
    std::string s;
    for (char c : text) s += (c == '-' || c == '_') ? ' ' : upper(c);
    while (!s.empty() && s.front() == ' ') s.erase(0, 1);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    for (const auto& [result, word] : kResultWords) {
        if (s == word) {
            out = result;
            return true;
        }
    }
    return false;
}

HayesModem::HayesModem(ModemOptions o, int rate) : o_(std::move(o)), rate_(rate) {
    if (o_.dialResults.empty()) o_.dialResults.push_back(DialResult::Connect);
    regs_[kGuardRegister] = kDefaultGuard;
}

std::vector<ModemLines> HayesModem::takeLineChanges() { return std::exchange(changes_, {}); }

void HayesModem::setLines(ModemLines l) {
    if (l == lines_) return;
    lines_ = l;
    changes_.push_back(l);
}

void HayesModem::reply(std::string_view word, int64_t t, ModemHost& host) {
    std::string text = "\r\n";
    text += word;
    text += "\r\n";
    host.toLine(text, t);
}

// ---- the terminal's bytes -------------------------------------------------------------------

void HayesModem::fromLine(std::string_view bytes, int64_t t, ModemHost& host) {
    std::string echoed, passed;
    for (char c : bytes) {
        switch (state_) {
            case State::Dialling:  // a dial in progress hears nothing
                break;
            case State::Data:
                watchEscape(c, t);
                passed += c;
                break;
            case State::Command:
                if (c == kLF && afterCr_) {  // CR LF ends one line, and leaves no trace after the reply
                    afterCr_ = false;
                    break;
                }
                if (echo_) echoed += c;
                afterCr_ = c == kCR;
                if (c == kCR) {
                    if (!echoed.empty()) host.toLine(std::exchange(echoed, {}), t);
                    execute(std::exchange(line_, {}), t, host);
                } else if (c == kBS) {
                    if (!line_.empty()) line_.pop_back();
                } else if (line_.size() <= kMaxLine) {
                    line_ += c;
                }
                break;
        }
    }
    if (!echoed.empty()) host.toLine(echoed, t);
    if (!passed.empty()) host.toDevice(passed, t);
}

void HayesModem::watchEscape(char c, int64_t t) {
    if (c == '+' && escapeDueMs_ < 0) {
        if (plus_ > 0 && t - lastPlusMs_ < guardMs())
            ++plus_;
        else
            plus_ = t - lastRxMs_ >= guardMs() ? 1 : 0;
        lastPlusMs_ = t;
        if (plus_ == 3) {
            plus_ = 0;
            escapeDueMs_ = t + guardMs();
        }
    } else {
        // Anything else, or a byte inside the closing guard time, is data after all.
        plus_ = 0;
        escapeDueMs_ = -1;
    }
    lastRxMs_ = t;
}

void HayesModem::execute(const std::string& line, int64_t t, ModemHost& host) {
    JsonLine j(t, "modem");
    j.add("text", line);
    std::size_t at = std::string::npos;
    for (std::size_t k = 0; k + 1 < line.size(); ++k) {
        if (upper(line[k]) == 'A' && upper(line[k + 1]) == 'T') {
            at = k;
            break;
        }
    }
    if (at == std::string::npos) {
        if (!line.empty()) host.journal(j.add("ignored", true).str());
        return;
    }
    auto finish = [&](const std::string& word) {
        host.journal(j.add("reply", word).str());
        reply(word, t, host);
    };
    if (line.size() > kMaxLine) return finish("ERROR");

    std::string s;
    for (std::size_t k = at + 2; k < line.size(); ++k) s += upper(line[k]);
    std::string answers;  // S-register queries, sent before the OK
    std::size_t i = 0;
    bool had = false;
    while (i < s.size()) {
        const char c = s[i++];
        if (c == ' ') continue;
        switch (c) {
            case 'D':
                host.journal(j.str());
                return dial(std::string_view(s).substr(i), t, host);
            case 'E': {
                const int n = numberAt(s, i, 0, had);
                if (n > 1) return finish("ERROR");
                echo_ = n == 1;
                break;
            }
            case 'H': {
                const int n = numberAt(s, i, 0, had);
                if (n > 1) return finish("ERROR");
                if (n == 0) {
                    host.journal(JsonLine(t, "hang-up").add("call", call_).str());
                    if (call_) endCall(t, "hang-up", false, host);
                    state_ = State::Command;
                }
                break;
            }
            case 'O':
                numberAt(s, i, 0, had);
                if (!call_) return finish("NO CARRIER");
                state_ = State::Data;
                lastRxMs_ = t;
                plus_ = 0;
                return finish("CONNECT " + std::to_string(rate_));
            case 'Z':
                numberAt(s, i, 0, had);
                reset(t, host);
                break;
            case 'S': {
                const int n = numberAt(s, i, -1, had);
                if (n < 0 || n > 255 || i >= s.size()) return finish("ERROR");
                if (s[i] == '?') {
                    ++i;
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "%03d", regs_[std::size_t(n)]);
                    answers += "\r\n";
                    answers += buf;
                    answers += "\r\n";
                } else if (s[i] == '=') {
                    ++i;
                    const int v = numberAt(s, i, 0, had);
                    if (v > 255) return finish("ERROR");
                    regs_[std::size_t(n)] = v;
                } else {
                    return finish("ERROR");
                }
                break;
            }
            case '&': {
                const char c2 = i < s.size() ? s[i++] : '\0';
                numberAt(s, i, 0, had);
                if (c2 == 'F')
                    reset(t, host);
                else if (c2 != 'C' && c2 != 'D' && c2 != 'K' && c2 != 'W')
                    return finish("ERROR");
                break;
            }
            case 'V':
            case 'Q':
            case 'X':
            case 'L':
            case 'M':
                numberAt(s, i, 0, had);
                break;
            default:
                return finish("ERROR");
        }
    }
    if (!answers.empty()) host.toLine(answers, t);
    finish("OK");
    // Someone calls in a while after the terminal readied its modem.
    if (!call_ && o_.ringAfterMs >= 0) ringDueMs_ = t + o_.ringAfterMs;
}

void HayesModem::reset(int64_t t, ModemHost& host) {
    if (call_) endCall(t, "reset", false, host);
    state_ = State::Command;
    echo_ = true;
    regs_.fill(0);
    regs_[kGuardRegister] = kDefaultGuard;
}

void HayesModem::dial(std::string_view rest, int64_t t, ModemHost& host) {
    if (call_) return reply("ERROR", t, host);
    if (!rest.empty() && (rest.front() == 'T' || rest.front() == 'P')) rest.remove_prefix(1);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
    number_ = std::string(rest);
    ++attempts_;
    pending_ = o_.dialResults[std::min(std::size_t(attempts_), o_.dialResults.size()) - 1];
    state_ = State::Dialling;
    dialDueMs_ = t + o_.connectDelayMs;
}

// ---- calls ----------------------------------------------------------------------------------

void HayesModem::connect(int64_t t, const char* reason, ModemHost& host) {
    call_ = true;
    state_ = State::Data;
    ++calls_;
    frames_ = 0;
    lastRxMs_ = t;
    plus_ = 0;
    escapeDueMs_ = -1;
    ringDueMs_ = -1;
    const int64_t after = perCall<int64_t>(o_.dropAfterMs, calls_, -1);
    dropDueMs_ = after >= 0 ? t + after : -1;
    dropReason_ = "time";
    dropAtFrame_ = perCall<long>(o_.dropAtFrame, calls_, -1);
    reply(rate_ > 0 ? "CONNECT " + std::to_string(rate_) : std::string("CONNECT"), t, host);
    setLines({true, false});
    host.journal(JsonLine(t, "carrier").add("on", true).add("reason", reason).add("call", calls_).str());
    host.carrier(true, t);
}

void HayesModem::endCall(int64_t t, const char* reason, bool tell, ModemHost& host) {
    // In command state the line carries only the modem's own words, which stay.
    if (state_ == State::Data) host.discard(t);
    call_ = false;
    state_ = State::Command;
    dropDueMs_ = -1;
    dropAtFrame_ = -1;
    escapeDueMs_ = -1;
    plus_ = 0;
    line_.clear();
    afterCr_ = false;
    setLines({false, false});
    host.journal(JsonLine(t, "carrier").add("on", false).add("reason", reason).add("call", calls_).str());
    host.carrier(false, t);
    if (tell) reply("NO CARRIER", t, host);
}

void HayesModem::farEndHangsUp(int64_t t, ModemHost& host) {
    if (call_) endCall(t, "remote", true, host);
}

void HayesModem::dtrOff(int64_t t, ModemHost& host) {
    if (call_) endCall(t, "dtr", false, host);
    state_ = State::Command;
    dialDueMs_ = -1;
    line_.clear();
    afterCr_ = false;
}

// ---- the device's bytes and time ------------------------------------------------------------

void HayesModem::fromDevice(std::string_view bytes, int64_t t, ModemHost& host, bool frame) {
    if (state_ != State::Data) return;  // no call, or the terminal is talking to the modem
    host.toLine(bytes, t);
    if (!frame) return;
    ++frames_;
    if (dropAtFrame_ > 0 && frames_ == dropAtFrame_) {
        // The frame goes out whole; the carrier drops as its last byte leaves.
        const int64_t at = host.lineDrainedAtMs(t);
        if (dropDueMs_ < 0 || at < dropDueMs_) {
            dropDueMs_ = at;
            dropReason_ = "frames";
        }
    }
}

int64_t HayesModem::nextDueMs() const {
    int64_t due = -1;
    for (int64_t d : {dialDueMs_, dropDueMs_, escapeDueMs_, ringDueMs_})
        if (d >= 0 && (due < 0 || d < due)) due = d;
    return due;
}

void HayesModem::advance(int64_t t, ModemHost& host) {
    for (;;) {
        const int64_t due = nextDueMs();
        if (due < 0 || due > t) return;
        if (dialDueMs_ == due) {
            dialDueMs_ = -1;
            state_ = State::Command;
            host.journal(JsonLine(due, "dial")
                             .add("number", number_)
                             .add("attempt", attempts_)
                             .add("result", dialResultText(pending_))
                             .str());
            if (pending_ == DialResult::Connect)
                connect(due, "connect", host);
            else
                reply(dialResultText(pending_), due, host);
        } else if (dropDueMs_ == due) {
            endCall(due, dropReason_, true, host);
        } else if (escapeDueMs_ == due) {
            escapeDueMs_ = -1;
            state_ = State::Command;
            line_.clear();
            afterCr_ = false;
            host.journal(JsonLine(due, "escape").str());
            reply("OK", due, host);
        } else {
            ringDueMs_ = -1;
            if (call_ || state_ == State::Dialling) continue;
            host.journal(JsonLine(due, "ring").str());
            setLines({false, true});
            reply("RING", due, host);
            connect(due, "answer", host);
        }
    }
}

}  // namespace vt::sim
