#include "sim/LoggerSim.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "layout/LogLayout.h"
#include "sim/Journal.h"

namespace vt::sim {

namespace {
namespace rec = layout::rec;
using layout::putWord;
using layout::word;

char frameKindOf(StreamKind s) {
    switch (s) {
        case StreamKind::Logging:
            return frame::kLoggingRecord;
        case StreamKind::RealTime:
            return frame::kRealTimeRecord;
        case StreamKind::Lap:
            break;
    }
    return frame::kLiveRecord;
}

int64_t minDue(int64_t a, int64_t b) {
    if (a < 0) return b;
    if (b < 0) return a;
    return std::min(a, b);
}

// Commands that end a download in progress: they ask for something else on the line, or take
// the memory away.
bool endsDownload(CommandKind k) {
    switch (k) {
        case CommandKind::Start:
        case CommandKind::Stop:
        case CommandKind::Parameters:
        case CommandKind::MainRead:
        case CommandKind::Download:
        case CommandKind::MemoryClear:
            return true;
        default:
            return false;
    }
}
}  // namespace

int fastBaudOf(std::string_view keyword) {
    if (keyword == "FASTA") return 38400;
    if (keyword == "FASTB") return 57600;
    if (keyword == "FASTC") return 115200;
    return 0;
}

MemoryResult makeMemory(const SimOptions& o) {
    if (!o.logFile.empty()) return loadLogFile(o.logFile);
    loggen::GenResult g = loggen::generateLog(o.gen);
    MemoryResult res;
    res.memory = std::move(g.memory);
    res.error = std::move(g.error);
    return res;
}

LoggerSim::LoggerSim(SimOptions o) : LoggerSim(o, {}) {
    MemoryResult m = makeMemory(o_);
    if (m) {
        memory_ = std::move(*m.memory);
        mmPerPulse_ = mmPerPulseOf(memory_, o_.gen.mmPerPulse);
    } else {
        error_ = m.error;
    }
}

LoggerSim::LoggerSim(SimOptions o, loggen::LoggerMemory memory)
    : o_(std::move(o)),
      memory_(std::move(memory)),
      mmPerPulse_(mmPerPulseOf(memory_, o_.gen.mmPerPulse)),
      faults_(o_.faults, o_.faultSeed),
      line_(o_.baud) {
    if (o_.modem) modem_.emplace(*o_.modem, o_.baud);
}

// The modem's hands: the logger's ear, the paced line, and what a lost carrier does to both.
class LoggerSim::Wire final : public ModemHost {
  public:
    explicit Wire(LoggerSim& sim) : sim_(sim) {}
    void toLine(std::string_view bytes, int64_t t) override { sim_.line_.push(bytes, t); }
    void toDevice(std::string_view bytes, int64_t t) override { sim_.lineIn(bytes, t); }
    void carrier(bool on, int64_t t) override {
        // Nobody is listening any more: the stream or the download stops as if told to.
        if (!on) sim_.stopActivity("carrier lost", t);
    }
    void discard(int64_t) override { sim_.line_.clear(); }
    void journal(std::string line) override { sim_.journal(std::move(line)); }
    int64_t lineDrainedAtMs(int64_t t) const override { return sim_.line_.drainedAtMs(t); }

  private:
    LoggerSim& sim_;
};

// ---- time ---------------------------------------------------------------------------------

int64_t LoggerSim::nextActionMs() const {
    int64_t t = state_ == State::Streaming ? stream_.nextSlotMs : -1;
    if (state_ == State::Downloading) t = download_.dueMs;
    if (!stream_.events.empty()) t = minDue(t, stream_.events.front().at);
    if (modem_) t = minDue(t, modem_->nextDueMs());
    return t;
}

void LoggerSim::advance(int64_t nowMs) {
    nowMs = std::max(nowMs, now_);
    for (;;) {
        const int64_t t = nextActionMs();
        if (t < 0 || t > nowMs) break;
        line_.drainUntil(t, out_);
        now_ = t;
        if (modem_ && modem_->nextDueMs() == t) {
            // The modem first: a carrier that drops at a slot's time takes that slot's frame too.
            Wire w(*this);
            modem_->advance(t, w);
        } else if (state_ == State::Streaming && stream_.nextSlotMs == t) {
            runSlot(t);
        } else if (state_ == State::Downloading && download_.dueMs == t) {
            downloadDue(t);
        } else {
            const Scheduled e = stream_.events.front();
            stream_.events.pop_front();
            sendEvent(e, t);
        }
    }
    line_.drainUntil(nowMs, out_);
    now_ = nowMs;
}

void LoggerSim::receive(std::string_view bytes, int64_t nowMs) {
    advance(nowMs);
    if (modem_) {
        Wire w(*this);
        modem_->fromLine(bytes, now_, w);
    } else {
        lineIn(bytes, now_);
    }
}

std::string LoggerSim::transmit(int64_t nowMs) {
    advance(nowMs);
    return std::exchange(out_, {});
}

int64_t LoggerSim::nextDueMs(int64_t nowMs) const {
    if (!out_.empty()) return std::min(nowMs, now_);
    return minDue(nextActionMs(), line_.nextByteDueMs());
}

std::vector<std::string> LoggerSim::takeJournal() { return std::exchange(journal_, {}); }

void LoggerSim::setBaud(int baud) {
    line_.setBaud(baud);
    if (modem_) modem_->setRate(baud);
}

ModemLines LoggerSim::lines() const { return modem_ ? modem_->lines() : ModemLines{true, false}; }

std::vector<ModemLines> LoggerSim::takeLineChanges() {
    return modem_ ? modem_->takeLineChanges() : std::vector<ModemLines>{};
}

void LoggerSim::dtrOff(int64_t nowMs) {
    advance(nowMs);
    if (!modem_) return;
    Wire w(*this);
    modem_->dtrOff(now_, w);
}

void LoggerSim::purgeOutput(int64_t nowMs) {
    advance(nowMs);
    line_.clear();
}

// ---- the line -----------------------------------------------------------------------------

void LoggerSim::lineIn(std::string_view bytes, int64_t nowMs) {
    reader_.feed(bytes, [this, nowMs](const std::string& text) { onCommand(text, nowMs); });
}

void LoggerSim::lineOut(std::string_view bytes, int64_t nowMs, bool frame) {
    if (modem_) {
        Wire w(*this);
        modem_->fromDevice(bytes, nowMs, w, frame);
    } else {
        line_.push(bytes, nowMs);
    }
}

// ---- commands -----------------------------------------------------------------------------

void LoggerSim::onCommand(const std::string& text, int64_t t) {
    const Command c = parseCommand(text);
    if (c.kind == CommandKind::Ack) {
        onAck(c.good, t);
        return;
    }
    journal(JsonLine(t, "command").add("text", c.text).add("command", kindName(c.kind)).str());
    if (state_ == State::Downloading && endsDownload(c.kind)) endDownload("interrupted", c.text.c_str(), t);

    switch (c.kind) {
        case CommandKind::Start:
            startStream(t);
            break;
        case CommandKind::Stop:
            stopStream();
            break;
        case CommandKind::Parameters:
            sendParameters(t);
            break;
        case CommandKind::Rate:
            rate_ = c.rate;
            rateStep_ = c.rate == 'M' ? 2 : c.rate == 'S' ? 5 : 1;
            break;
        case CommandKind::MainRead:
            sendMainBlock(t);
            break;
        case CommandKind::MainWrite:
            if (c.mainValid) {
                main_ = c.main;
            } else {
                journal(
                    JsonLine(t, "rejected").add("text", c.text).add("reason", "not 27 whole numbers after MAIN").str());
            }
            break;
        case CommandKind::Download:
            startDownload(c, t);
            break;
        case CommandKind::MemoryClear:
            clearMemory(t);
            break;
        case CommandKind::Clear:   // the logger's clear button: nothing to send
        case CommandKind::Course:  // course data: kept in the journal only
        case CommandKind::Ack:     // answered above
        case CommandKind::Unknown:
            break;
    }
}

void LoggerSim::stopActivity(const char* why, int64_t t) {
    stopStream();
    if (state_ == State::Downloading) endDownload("interrupted", why, t);
}

void LoggerSim::sendParameters(int64_t t) {
    frame::Frame f{};
    putWord(&f[frame::kMmPerPulse], mmPerPulse_);
    std::copy(memory_.header.begin(), memory_.header.end(), f.begin() + frame::kHeader);
    FrameNote note;
    note.mmPerPulse = mmPerPulse_;
    sendFrame(f, frame::kParameters, note, t);
}

void LoggerSim::sendMainBlock(int64_t t) {
    std::string text = "Q";
    for (long v : main_) text += "," + std::to_string(v);
    text += '\r';
    journal(JsonLine(t, "reply").add("text", text).str());
    lineOut(text, t);
}

// ---- the stream ---------------------------------------------------------------------------

void LoggerSim::startStream(int64_t t) {
    stream_ = Stream{};
    stream_.startedMs = t;
    stream_.nextSlotMs = t + kRecordIntervalMs;
    if (memory_.records.empty()) {
        journal(JsonLine(t, "end").add("reason", "the memory holds no records").str());
        state_ = State::Idle;
        return;
    }
    state_ = State::Streaming;
}

void LoggerSim::stopStream() {
    if (state_ == State::Streaming) state_ = State::Idle;
    stream_.events.clear();
}

std::size_t LoggerSim::streamEnd() const {
    const std::size_t n = memory_.records.size();
    // Looping: the first lap's marker stands for the closing one.
    if (o_.loop && n > 1 && memory_.records.back()[rec::kKind] == layout::kLapMarker) return n - 1;
    return n;
}

bool LoggerSim::stallDue(int64_t startedMs, long frames, bool done, int64_t t) const {
    const FaultOptions& f = o_.faults;
    if (done || !f.stalls()) return false;
    if (f.stallAfterSeconds >= 0.0 && double(t - startedMs) >= f.stallAfterSeconds * 1000.0) return true;
    return f.stallAfterFrames >= 0 && frames >= f.stallAfterFrames;
}

int64_t LoggerSim::beginStall(int64_t t) {
    const int64_t ms = std::llround(o_.faults.stallSeconds * 1000.0);
    journal(JsonLine(t, "stall").add("seconds", o_.faults.stallSeconds).add("until", t + ms).str());
    return t + ms;
}

void LoggerSim::runSlot(int64_t t) {
    Stream& s = stream_;
    if (s.stalled) {
        s.stalled = false;
        journal(JsonLine(t, "resume").str());
    } else if (stallDue(s.startedMs, s.frames, s.stallDone, t)) {
        // Nothing goes out for a while; the record of this slot waits, and so do the events.
        s.stallDone = true;
        s.stalled = true;
        s.nextSlotMs = beginStall(t);
        for (Scheduled& e : s.events) e.at += s.nextSlotMs - t;
        return;
    }

    const std::size_t index = s.next;
    s.nextSlotMs = t + kRecordIntervalMs;
    ++s.next;
    sendRecord(index, t);
    if (s.next < streamEnd()) return;
    if (o_.loop) {
        s.next = 0;
        ++s.pass;
        journal(JsonLine(t, "loop").add("pass", s.pass).str());
    } else {
        journal(JsonLine(t, "end").add("reason", "the memory has no more records").str());
        stopStream();
    }
}

void LoggerSim::sendRecord(std::size_t index, int64_t t) {
    Stream& s = stream_;
    const loggen::Record& r = memory_.records[index];
    const bool lapStream = o_.stream == StreamKind::Lap;
    FrameNote note;
    note.record = int(index);
    note.pass = s.pass;
    frame::Frame f{};

    if (r[rec::kKind] == layout::kLapMarker) {
        if (s.lapSeen) {
            const int fromTable = lapTimeFromTable(memory_, s.lap);
            s.lapTimeCs = fromTable >= 0 ? fromTable : s.segSumCs;
        }
        s.lap = r[rec::kLapNumber];
        s.lapSeen = true;
        s.segSumCs = 0;
        if (!lapStream) return;
        note.lap = s.lap;
        f[frame::kLapNumber] = r[rec::kLapNumber];
        sendFrame(f, frame::kLapStart, note, t);
        if (o_.events) {
            for (const PitEvent& e : kPitSequence) s.events.push_back({t + e.afterLapMs, e, s.lap});
        }
        return;
    }
    if (r[rec::kKind] == layout::kSegmentMarker) {
        s.segSumCs += word(&r[rec::kSegTime]);
        if (!lapStream) return;
        note.lap = s.lap;
        note.segment = r[rec::kSegmentNo];
        note.segTime = word(&r[rec::kSegTime]);
        f[frame::kSegTime] = r[rec::kSegTime];
        f[frame::kSegTime + 1] = r[rec::kSegTime + 1];
        f[frame::kSegNumber] = r[rec::kSegmentNo];
        sendFrame(f, frame::kSegment, note, t);
        return;
    }

    // A sample record.
    const long ordinal = s.samples++;
    const char* skip = nullptr;
    if (ordinal % rateStep_ != 0)
        skip = "rate";
    else if (line_.queued() > std::size_t(kFramesQueuedBeforeSkip * frame::kBytes))
        skip = "line";
    if (skip) {
        journal(JsonLine(t, "skipped")
                    .add("record", note.record)
                    .add("lap", s.lap)
                    .add("pass", s.pass)
                    .add("reason", skip)
                    .str());
        return;
    }
    // The counter has twelve bits.
    note.counter = ++s.counter & 0xFFF;
    note.lap = s.lap;
    putWord(&f[frame::kCounter], note.counter);
    const char kind = frameKindOf(o_.stream);
    if (kind == frame::kLiveRecord) {
        note.lapTime = s.lapTimeCs;
        putWord(&f[frame::kLapTime], s.lapTimeCs);
    }
    std::copy(r.begin(), r.end(), f.begin() + frame::kRecord);
    sendFrame(f, kind, note, t);
}

void LoggerSim::sendEvent(const Scheduled& e, int64_t t) {
    frame::Frame f{};
    f[frame::kEventCode] = e.event.code;
    putWord(&f[frame::kDuration], e.event.duration);
    FrameNote note;
    note.lap = e.lap;
    note.code = e.event.code;
    note.duration = e.event.duration;
    sendFrame(f, frame::kEvent, note, t);
}

void LoggerSim::sendFrame(frame::Frame& f, char kind, const FrameNote& n, int64_t t) {
    frame::seal(f, kind);
    std::string before;
    const FaultResult fault = faults_.apply(f, before);
    if (state_ == State::Streaming) ++stream_.frames;
    if (state_ == State::Downloading) ++download_.frames;

    JsonLine j(t, "frame");
    j.add("kind", std::string_view(&kind, 1));
    if (n.block >= 0) j.add("block", n.block).add("layout", n.layout);
    if (n.record >= 0) j.add("record", n.record).add("pass", n.pass);
    if (n.lap >= 0) j.add("lap", n.lap);
    if (n.counter >= 0) j.add("counter", n.counter);
    if (n.lapTime >= 0) j.add("lapTime", n.lapTime);
    if (n.segment >= 0) j.add("segment", n.segment).add("segTime", n.segTime);
    if (n.code >= 0) j.add("code", n.code).add("duration", n.duration);
    if (n.mmPerPulse >= 0) j.add("mmPerPulse", n.mmPerPulse);
    if (n.tries > 0) j.add("try", n.tries);
    if (fault.any()) {
        j.add("fault", fault.name());
        if (fault.garbageBytes > 0) j.add("garbage", fault.garbageBytes);
        if (fault.corruptByte >= 0) j.add("byte", fault.corruptByte);
    }
    journal(j.str());
    if (fault.dropped) return;
    before.append(reinterpret_cast<const char*>(f.data()), f.size());
    lineOut(before, t, true);
}

// ---- downloads ----------------------------------------------------------------------------

void LoggerSim::startDownload(const Command& c, int64_t t) {
    stopStream();
    Download d;
    d.keyword = c.downloadMode;
    d.acked = c.downloadMode != "LOGN";
    // Behind a modem the logger's own link is the modem's business: no switch.
    d.fastBaud = modem_ ? 0 : fastBaudOf(c.downloadMode);
    d.ownBaud = line_.baud();
    d.file = rangeFile(memory_, c.fromLap, c.toLap);
    d.laps = lapsOfFile(d.file);
    d.blocks = d.file.size() / kBlockBytes;
    d.startedMs = t;
    d.switchDue = d.fastBaud != 0;
    d.dueMs = t + (d.switchDue ? kFastSwitchMs : kDownloadStartMs);

    const std::optional<LapSpan> span = lapSpan(memory_, c.fromLap, c.toLap);
    journal(JsonLine(t, "download")
                .add("command", d.keyword)
                .add("from", span ? span->first : c.fromLap)
                .add("to", span ? span->last : c.toLap)
                .add("blocks", long(d.blocks))
                .add("bytes", long(d.file.size()))
                .add("acked", d.acked)
                .add("baud", d.fastBaud != 0 ? d.fastBaud : line_.baud())
                .str());
    download_ = std::move(d);
    state_ = State::Downloading;
}

void LoggerSim::downloadDue(int64_t t) {
    Download& d = download_;
    if (!d.waiting) {
        nextDownloadFrame(t);
        return;
    }
    // No answer in time.
    const bool end = d.block >= d.blocks;
    if (d.unanswered >= kMaxSendsUnanswered) {
        // Every block was taken: a terminal that does not answer the "E" frame still has its file.
        if (end) {
            endDownload("complete", "end not answered", t);
        } else {
            endDownload("gave-up", "no answer", t);
        }
        return;
    }
    JsonLine r(t, "resend");
    r.add("kind", end ? "E" : "X");
    if (!end) r.add("block", long(d.block));
    journal(r.add("reason", "timeout").add("try", d.tries + 1).str());
    sendDownloadFrame(t);
}

void LoggerSim::nextDownloadFrame(int64_t t) {
    Download& d = download_;
    d.waiting = false;
    if (d.switchDue) {
        d.switchDue = false;
        switchSpeed(d.fastBaud, "download", t);
    }
    if (d.stalled) {
        d.stalled = false;
        journal(JsonLine(t, "resume").str());
    } else if (stallDue(d.startedMs, d.frames, d.stallDone, t)) {
        d.stallDone = true;
        d.stalled = true;
        d.dueMs = beginStall(t);
        return;
    }
    sendDownloadFrame(t);
}

void LoggerSim::sendDownloadFrame(int64_t t) {
    Download& d = download_;
    const bool end = d.block >= d.blocks;
    frame::Frame f = end ? downloadEndFrame() : downloadFrame(d.file, d.block, d.laps);
    ++d.tries;
    ++d.unanswered;
    FrameNote note;
    note.tries = d.tries;
    if (!end) {
        note.block = long(d.block);
        note.layout = f[frame::kXLayout];
        if (note.layout != kXTableBlock) note.counter = long(blockCounter(d.block));
    }
    sendFrame(f, end ? frame::kDownloadEnd : frame::kDownload, note, t);

    if (d.acked) {
        d.waiting = true;
        d.dueMs = line_.drainedAtMs(t) + kAckTimeoutMs;
        return;
    }
    if (end) {
        endDownload("complete", nullptr, t);
        return;
    }
    ++d.delivered;
    ++d.block;
    d.tries = d.unanswered = 0;
    // The next frame joins the line while this one's last byte is still on it: back to back.
    d.dueMs = std::max(t, line_.drainedAtMs(t) - 1);
}

void LoggerSim::onAck(bool good, int64_t t) {
    Download& d = download_;
    JsonLine j(t, "ack");
    j.add("good", good);
    if (state_ != State::Downloading || !d.waiting) {
        journal(j.add("expected", false).str());
        return;
    }
    const bool end = d.block >= d.blocks;
    j.add("kind", end ? "E" : "X");
    if (!end) j.add("block", long(d.block));
    journal(j.str());
    d.unanswered = 0;
    if (!good) {
        JsonLine r(t, "resend");
        r.add("kind", end ? "E" : "X");
        if (!end) r.add("block", long(d.block));
        journal(r.add("reason", "ng").add("try", d.tries + 1).str());
        sendDownloadFrame(t);
        return;
    }
    if (end) {
        endDownload("complete", nullptr, t);
        return;
    }
    ++d.delivered;
    ++d.block;
    d.tries = 0;
    nextDownloadFrame(t);
}

void LoggerSim::endDownload(const char* result, const char* reason, int64_t t) {
    JsonLine j(t, "download-end");
    j.add("result", result).add("blocks", long(download_.delivered));
    if (reason != nullptr) j.add("reason", reason);
    journal(j.str());
    // Back to the logger's own speed, unless the line never switched.
    if (download_.fastBaud != 0 && !download_.switchDue) switchSpeed(download_.ownBaud, "end", t);
    download_ = Download{};
    state_ = State::Idle;
}

void LoggerSim::switchSpeed(int baud, const char* reason, int64_t t) {
    line_.setBaud(baud);
    journal(JsonLine(t, "speed").add("baud", baud).add("reason", reason).str());
}

void LoggerSim::clearMemory(int64_t t) {
    stopStream();
    journal(JsonLine(t, "memory-clear")
                .add("laps", long(memory_.laps.size()))
                .add("records", long(memory_.records.size()))
                .str());
    memory_.records.clear();
    memory_.lapTable.clear();
    memory_.laps.clear();
    // First lap 1, last lap 0: none held, and the next lap logged would be lap 1.
    memory_.lapFirst = 1;
    memory_.lapLast = 0;
    memory_.header[layout::header::kLapFirst] = 1;
    memory_.header[layout::header::kUnitAndLastLap] &= 1;
}

}  // namespace vt::sim
