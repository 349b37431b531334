// The simulated logger: the logger's side of the wire protocol over a memory made by the log
// generator or read from a log file. It is driven by time the caller gives (ms), so the program
// runs it on a monotonic clock and tests run it on a fake one, without a line and without waits.
//
// The line: receive() takes the bytes the terminal wrote, transmit() gives the bytes that have
// left the logger's transmit line by then (paced at baud / 10 bytes a second), nextDueMs() says
// when there will be more. Inside, bytes pass lineIn() -> command frames -> onCommand() (the one
// place a command is acted on), and everything the logger sends passes lineOut() -> the paced
// line. With a modem (SimOptions::modem) a HayesModem goes between those two and the line: the
// logger hears only what arrives in a call, and a carrier that drops stops the stream (or the
// download) and throws away what had not left (sim/Modem.h). A memory download is one more state
// beside streaming, served from onCommand() and the same timer.
//
// Commands: "PARA" answers a "P" frame (distance per pulse at 3..4, the log header at 5..20).
// "STRT" streams the memory's records in logging order, one every 100 ms from 100 ms after the
// command, markers included; "STOP" stops. At the end of the memory the stream starts again at
// the first lap, whose marker then stands for the closing lap marker (both are one crossing of
// the line); without looping the closing marker is sent and the stream ends.
// Lap stream: lap marker -> "L" (lap number at 20), segment marker -> "S" (time at 7..8, number
// at 16), sample -> "G" (record counter at 3..4, finished lap's time at 5..6, record at 7..22);
// with events, "T" frames follow each "L" (pit-in, stop, stop ended, pit-out). Logging and
// real-time streams send "N" / "Z" frames for samples only. "RATL"/"RATM"/"RATS" send every,
// every second or every fifth sample. "MAIN" answers "Q,v0,...,v26\r"; "MAIN,v0,...,v26" stores
// the block. "CLR", "CRS..." and anything else are only journaled. On a slow line a sample whose
// slot comes while more than two frames wait is skipped; markers and events are never skipped.
//
// Downloads: "LOGP", "LOGN", "FASTA", "FASTB", "FASTC" with a lap range "<from>- <to>" (blanks
// optional; to 0: the last lap held) send the file of those laps (sim/Download.h), 16 bytes an
// "X" frame, then one "E" frame; a range holding no lap held sends only the "E" frame. "LOGN"
// (a modem line) sends the frames back to back from 100 ms after the command, unanswered.
// "LOGP" sends its first frame 100 ms after the command and then waits after each frame for
// "GD" (the next frame) or "NG" (the same frame again); with no answer 1 s after the frame has
// left the line it goes again, and after 5 sends without an answer the logger gives up and is
// idle again. The "E" frame goes the same way, but five sends of it without an answer still end
// the download as complete (a terminal need not answer it; one that does gets a lost "E" frame
// again). "FASTA"/"FASTB"/"FASTC" go like "LOGP", but 1 s after the command the logger switches
// its line to 38400/57600/115200 bit/s (the terminal reopens its port at that speed meanwhile),
// sends at that speed and switches back to its own speed when the download ends; behind a modem
// there is no switch. Faults and the stall apply to "X" and "E" frames as to the stream's (the
// stall once a download, counted from its command). "STRT", "STOP", "PARA", "MAIN", "MCLR" and
// another download end a download in progress. "MCLR" empties the memory: the header then
// names first lap 1 and last lap 0 (none held), downloads send only "E", "STRT" streams
// nothing, "PARA" still answers.
//
// Journal: one JSON object a line, always with "t" (ms, the caller's clock) and "event":
//   command  text (the command text), command (start, stop, parameters, clear, rate, main-read,
//            main-write, course, download, memory-clear, unknown); acknowledgements are "ack"
//   frame    kind (P L S G N Z T X E); record (memory index), pass (1 on the first run through the
//            memory), lap (lap in progress; for "L" the lap starting); counter (G N Z); lapTime
//            (G, 1/100 s); segment, segTime (S, 1/100 s); code, duration (T, 1/10 s);
//            mmPerPulse (P); fault when the frame did not go out as built: "drop", or any of
//            "garbage", "corrupt", "bad-end" joined by '+', with garbage (bytes before the frame)
//            and byte (the frame byte changed). No fault field: the frame went out intact.
//            "X": block (from 0, the header), layout (0, 1, 255), counter (layouts 0 and 255), try
//            (1 for the first send of the block); "E": try.
//   download command (the keyword), from, to (the laps sent; as asked when none is held), blocks,
//            bytes, acked, baud (of the frames)
//   ack      good, kind (X, E), block (X); expected:false when no frame waited for an answer
//   resend   kind, block (X), reason (ng, timeout), try (of the send that follows)
//   speed    baud (the logger's line switched to a fast rate or back), reason (download, end)
//   download-end  result (complete, gave-up, interrupted), blocks (answered with GD; unanswered
//            downloads: sent), reason (why it gave up or was cut short; "end not answered")
//   memory-clear  laps, records (what the memory held)
//   skipped  record, lap, pass, reason ("rate": the transfer rate leaves it out; "line": the
//            line was still busy)
//   reply    text (the "MAIN" answer, sent as text)
//   rejected text, reason (a "MAIN,..." block that is not 27 whole numbers)
//   stall    seconds, until (ms); resume when the stream or download goes on
//   loop     pass (the pass starting); end (the stream ran out of memory without looping)
//   and with a modem its events: modem, dial, carrier, escape, hang-up (sim/Modem.h)
//
// Plain C++.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "layout/FrameLayout.h"
#include "loggen/LogGenerator.h"
#include "sim/Commands.h"
#include "sim/Download.h"
#include "sim/Faults.h"
#include "sim/LinePeer.h"
#include "sim/Memory.h"
#include "sim/Modem.h"
#include "sim/PacedLine.h"

namespace vt::sim {

enum class StreamKind { Lap, Logging, RealTime };

struct SimOptions {
    std::string logFile;     // the memory from this log file; empty: generated with `gen`
    loggen::GenOptions gen;  // the generator's options (by default 5 laps of 'circuit')
    StreamKind stream = StreamKind::Lap;
    bool events = false;  // lap stream: pit-in and stop "T" frames after each "L" frame
    bool loop = true;     // at the end of the memory start again at the first lap
    int baud = 9600;      // line speed for the pacing, bits a second; 0: no pacing
    std::uint32_t faultSeed = 1;
    FaultOptions faults;
    std::optional<ModemOptions> modem;  // a Hayes modem between the line and the logger
};

inline constexpr int64_t kRecordIntervalMs = 100;  // ten records a second
inline constexpr int kFramesQueuedBeforeSkip = 2;  // a sample waits behind at most this many frames

inline constexpr int64_t kDownloadStartMs = 100;  // from the command to the first frame
inline constexpr int64_t kFastSwitchMs = 1000;    // from a fast command to the switch of the line
inline constexpr int64_t kAckTimeoutMs = 1000;    // from a frame leaving the line to its resend
inline constexpr int kMaxSendsUnanswered = 5;     // then the logger gives up

// The line speed of a fast download keyword ("FASTA" 38400, "FASTB" 57600, "FASTC" 115200); 0
// for the others.
int fastBaudOf(std::string_view keyword);

// The "T" frames after each lap's "L" frame: pit-in at +2 s, stopped at +3 s, moving again after
// 3 s at +6 s, pit-out after 6 s at +8 s. Half a slot late, so they fall between record frames.
struct PitEvent {
    int64_t afterLapMs;
    std::uint8_t code;
    int duration;  // 1/10 s
};
inline constexpr std::array<PitEvent, 4> kPitSequence{{
    {2050, frame::kPitIn, 0},
    {3050, frame::kStopped, 0},
    {6050, frame::kStopEnded, 30},
    {8050, frame::kPitOut, 60},
}};

// The block a logger holds before any "MAIN,..." arrives.
inline constexpr MainBlock kDefaultMainBlock{0,  999, 0,     1, 16000, 20000, 0, 0, 200, 200, 0, 100, 0, 1,
                                             16, 1,   60000, 3, 0,     100,   0, 0, 0,   0,   0, 0,   0};

// The memory the options ask for: read from logFile, or generated.
MemoryResult makeMemory(const SimOptions& options);

class LoggerSim final : public LinePeer {
  public:
    // Idle: answers commands. Streaming: sends a record every 100 ms. Downloading: sends a lap
    // range's file.
    enum class State { Idle, Streaming, Downloading };

    // Loads or generates the memory; when that fails the memory is empty and error() says why.
    explicit LoggerSim(SimOptions o);
    LoggerSim(SimOptions o, loggen::LoggerMemory memory);

    // Bytes the terminal wrote, at nowMs.
    void receive(std::string_view bytes, int64_t nowMs) override;
    // The bytes that have left the line by nowMs (what is due is worked off first).
    std::string transmit(int64_t nowMs) override;
    // When transmit() will next have bytes: at or before nowMs when it has some now; -1 when
    // nothing is pending (idle, empty line, no modem timer).
    int64_t nextDueMs(int64_t nowMs) const override;
    // Journal lines recorded since the last call.
    std::vector<std::string> takeJournal() override;
    // Line speed for the pacing (bits a second, ten bits a byte; 0: no pacing); a modem reports
    // it in CONNECT.
    void setBaud(int baud) override;
    int baud() const override { return line_.baud(); }
    ModemLines lines() const override;
    std::vector<ModemLines> takeLineChanges() override;
    void dtrOff(int64_t nowMs) override;
    void purgeOutput(int64_t nowMs) override;

    // The modem, when there is one.
    const HayesModem* modem() const { return modem_ ? &*modem_ : nullptr; }
    // A call is up (always, without a modem).
    bool carrier() const { return !modem_ || modem_->carrier(); }

    const loggen::LoggerMemory& memory() const { return memory_; }
    const std::string& error() const { return error_; }
    State state() const { return state_; }
    const MainBlock& mainBlock() const { return main_; }
    int mmPerPulse() const { return mmPerPulse_; }
    char rate() const { return rate_; }
    // Bytes waiting on the transmit line.
    std::size_t queuedBytes() const { return line_.queued(); }

  private:
    struct Scheduled {
        int64_t at;
        PitEvent event;
        int lap;
    };
    // What the journal says about a frame besides its kind and faults.
    struct FrameNote {
        int record = -1;
        int pass = 0;
        int lap = -1;
        long counter = -1;
        int lapTime = -1;
        int segment = -1, segTime = -1;
        int code = -1, duration = -1;
        int mmPerPulse = -1;
        long block = -1;
        int layout = -1;
        int tries = 0;
    };
    struct Stream {
        int64_t startedMs = 0;
        int64_t nextSlotMs = 0;
        std::size_t next = 0;  // memory index of the next record
        int pass = 1;
        long counter = 0;  // record frames sent
        long samples = 0;  // sample records reached, sent or not (the transfer rate counts these)
        long frames = 0;   // frames made since the start (the stall counts these)
        int lap = 0;       // lap in progress, 0 before the first lap marker
        bool lapSeen = false;
        int lapTimeCs = 0;  // time of the lap last finished
        int segSumCs = 0;   // segment times of the lap in progress, for laps the table lacks
        bool stallDone = false, stalled = false;
        std::deque<Scheduled> events;
    };
    struct Download {
        std::string keyword;
        bool acked = true;
        int fastBaud = 0;  // the line's speed while it runs; 0: the logger's own
        int ownBaud = 0;
        std::vector<std::uint8_t> file;
        int laps = 0;
        std::size_t blocks = 0;
        std::size_t block = 0;      // the frame being sent: a block, or `blocks` for the "E" frame
        int tries = 0;              // sends of that frame
        int unanswered = 0;         // ... since its last answer
        bool waiting = false;       // for an answer to it
        int64_t dueMs = -1;         // the next frame, or the end of the wait
        bool switchDue = false;     // the fast line comes before the first frame
        std::size_t delivered = 0;  // blocks answered with GD (unanswered downloads: sent)
        int64_t startedMs = 0;
        long frames = 0;
        bool stallDone = false, stalled = false;
    };

    void advance(int64_t nowMs);
    int64_t nextActionMs() const;

    class Wire;  // the modem's view of the logger and the line

    // The logger's ends of the line: what it hears, what it sends (`frame`: one whole frame).
    void lineIn(std::string_view bytes, int64_t nowMs);
    void lineOut(std::string_view bytes, int64_t nowMs, bool frame = false);

    void onCommand(const std::string& text, int64_t nowMs);
    void startStream(int64_t nowMs);
    void stopStream();
    void runSlot(int64_t t);
    void sendRecord(std::size_t index, int64_t t);
    void sendEvent(const Scheduled& e, int64_t t);
    void sendParameters(int64_t t);
    void sendMainBlock(int64_t t);
    void sendFrame(frame::Frame& f, char kind, const FrameNote& note, int64_t t);
    bool stallDue(int64_t startedMs, long frames, bool done, int64_t t) const;
    // A stall of the fault options begins at t: the journal says so; returns when it ends.
    int64_t beginStall(int64_t t);
    void stopActivity(const char* why, int64_t t);

    void startDownload(const Command& c, int64_t t);
    void downloadDue(int64_t t);
    void nextDownloadFrame(int64_t t);
    void sendDownloadFrame(int64_t t);
    void onAck(bool good, int64_t t);
    void endDownload(const char* result, const char* reason, int64_t t);
    void switchSpeed(int baud, const char* reason, int64_t t);
    void clearMemory(int64_t t);
    std::size_t streamEnd() const;
    void journal(std::string line) { journal_.push_back(std::move(line)); }

    SimOptions o_;
    loggen::LoggerMemory memory_;
    std::string error_;
    int mmPerPulse_ = 0;
    MainBlock main_ = kDefaultMainBlock;
    char rate_ = 'L';
    int rateStep_ = 1;

    State state_ = State::Idle;
    Stream stream_;
    Download download_;
    CommandReader reader_;
    FaultInjector faults_;
    PacedLine line_;
    std::optional<HayesModem> modem_;
    int64_t now_ = 0;
    std::string out_;  // bytes off the line, not yet collected by transmit()
    std::vector<std::string> journal_;
};

}  // namespace vt::sim
