// A Hayes modem between the terminal's line and what stands behind it: the logger, or the remote
// station that calls the terminal's sub port. It owns no line and no clock: its owner hands it
// the bytes of both sides with the time (ms) and it answers through a ModemHost, so the logger's
// behaviour stays in the logger and tests run the modem on a fake clock.
//
// Command state: lines ended by CR (an LF right after the CR is ignored, a backspace takes back
// a character), every received character echoed while E1 (the default). A line holds "AT" and
// commands: E0/E1, H (hang up), O (back to the call, else NO CARRIER), Z and &F (reset; a call
// ends), Sn=v and Sn? (S12 is the escape guard time in 1/50 s; the others are only kept), D with
// T or P and the number (the dial: one result of the list per attempt, after the connect
// delay, the last entry repeating), and V Q X L M &C &D &K &W, accepted without effect. Any
// other command answers ERROR. A line without "AT" is ignored.
// Data state: bytes pass both ways. "+++" with a guard time of silence before and after it
// returns to command state with the call up (ATO goes back, ATH ends it).
// A call drops by the per-call plan (a time after CONNECT, or a count of frames the device sent
// in the call; entry k is for the (k+1)th call, calls past the plan keep their carrier), when
// the far end hangs up or when the terminal's DTR goes (a closed network connection): the host
// hears the carrier go first, so it can stop and discard what it had not sent, and then the
// terminal gets NO CARRIER (not after ATH, ATZ or DTR, which the terminal asked for).
// Answering: with ringAfterMs set, a call comes in that long after a line the modem answered OK
// while no call was up: RING, then it answers at once with CONNECT.
//
// Journal: modem (text: the line; reply; ignored:true for a line without AT), dial (number,
// attempt, result), carrier (on, reason: connect, answer, time, frames, hang-up, reset, dtr,
// remote; call: the call's number from 1), escape, hang-up (call: whether one was up), ring.
//
// Plain C++.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vt::sim {

enum class DialResult { Connect, Busy, NoCarrier, NoDialtone, NoAnswer };

// "CONNECT", "BUSY", "NO CARRIER", "NO DIALTONE", "NO ANSWER".
const char* dialResultText(DialResult r);
// Reads one of those words, case-insensitive; '-' and '_' count as blanks.
bool parseDialResult(std::string_view text, DialResult& out);

struct ModemOptions {
    int64_t connectDelayMs = 2000;  // from the dial to its result
    std::vector<DialResult> dialResults{DialResult::Connect};
    // Per call, in the order the calls come up; a negative entry keeps that call up.
    std::vector<int64_t> dropAfterMs;  // the carrier drops this long after CONNECT
    std::vector<long> dropAtFrame;     // ... once this many frames of the call have left the line
    int64_t ringAfterMs = -1;          // answering: a call rings in this long after an OK; <0 never
};

// The modem's status lines towards the terminal.
struct ModemLines {
    bool cd = false;  // carrier detect
    bool ri = false;  // ring indicator
    friend bool operator==(const ModemLines& a, const ModemLines& b) { return a.cd == b.cd && a.ri == b.ri; }
    friend bool operator!=(const ModemLines& a, const ModemLines& b) { return !(a == b); }
};

// What the modem drives. Handed to every call, so the modem keeps no pointer to its owner.
class ModemHost {
  public:
    virtual void toLine(std::string_view bytes, int64_t t) = 0;    // towards the terminal
    virtual void toDevice(std::string_view bytes, int64_t t) = 0;  // towards the logger or station
    virtual void carrier(bool on, int64_t t) = 0;                  // a call came up or ended
    // A call ended in data state: what the device sent that has not left the line is lost.
    virtual void discard(int64_t t) = 0;
    virtual void journal(std::string line) = 0;
    // When what went to the line by `t` will have left it (a frame-count drop waits for it).
    virtual int64_t lineDrainedAtMs(int64_t t) const { return t; }

  protected:
    ~ModemHost() = default;
};

class HayesModem {
  public:
    enum class State { Command, Dialling, Data };
    static constexpr int kGuardRegister = 12;
    static constexpr int kDefaultGuard = 50;  // 1/50 s: one second
    static constexpr std::size_t kMaxLine = 255;

    explicit HayesModem(ModemOptions o = {}, int rate = 9600);

    // Bytes the terminal wrote.
    void fromLine(std::string_view bytes, int64_t t, ModemHost& host);
    // Bytes the device sends; `frame` when they are one frame (the drop plan counts those).
    void fromDevice(std::string_view bytes, int64_t t, ModemHost& host, bool frame = false);
    // Runs what is due by `t`: dial results, the escape, planned drops, a ring.
    void advance(int64_t t, ModemHost& host);
    // When advance() next has something to do; -1 nothing.
    int64_t nextDueMs() const;

    // The far end hangs up: NO CARRIER to the terminal.
    void farEndHangsUp(int64_t t, ModemHost& host);
    // The terminal's DTR goes: the call ends quietly, command state.
    void dtrOff(int64_t t, ModemHost& host);

    // The line speed CONNECT reports.
    void setRate(int rate) { rate_ = rate; }

    State state() const { return state_; }
    bool carrier() const { return call_; }
    bool echo() const { return echo_; }
    int calls() const { return calls_; }
    int dialAttempts() const { return attempts_; }
    int reg(int n) const { return regs_[std::size_t(n)]; }
    ModemLines lines() const { return lines_; }
    // Every change of the status lines since the last call, in order.
    std::vector<ModemLines> takeLineChanges();

  private:
    void execute(const std::string& line, int64_t t, ModemHost& host);
    void dial(std::string_view rest, int64_t t, ModemHost& host);
    void connect(int64_t t, const char* reason, ModemHost& host);
    void endCall(int64_t t, const char* reason, bool tell, ModemHost& host);
    void reset(int64_t t, ModemHost& host);
    void watchEscape(char c, int64_t t);
    void setLines(ModemLines l);
    int64_t guardMs() const { return int64_t(regs_[kGuardRegister]) * 20; }
    void reply(std::string_view word, int64_t t, ModemHost& host);

    ModemOptions o_;
    int rate_;
    State state_ = State::Command;
    bool call_ = false;
    bool echo_ = true;
    std::array<int, 256> regs_{};
    std::string line_;
    bool afterCr_ = false;

    int attempts_ = 0;
    int calls_ = 0;
    DialResult pending_ = DialResult::Connect;
    std::string number_;
    int64_t dialDueMs_ = -1;

    int64_t lastRxMs_ = 0;  // the last byte from the terminal in data state
    int64_t lastPlusMs_ = 0;
    int plus_ = 0;
    int64_t escapeDueMs_ = -1;

    long frames_ = 0;  // frames of this call that went to the line
    long dropAtFrame_ = -1;
    int64_t dropDueMs_ = -1;
    const char* dropReason_ = "time";

    int64_t ringDueMs_ = -1;

    ModemLines lines_;
    std::vector<ModemLines> changes_;
};

}  // namespace vt::sim
