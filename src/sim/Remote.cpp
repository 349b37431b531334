#include "sim/Remote.h"

#include <algorithm>
#include <utility>

#include "layout/FrameLayout.h"
#include "sim/Journal.h"

namespace vt::sim {

namespace {

int64_t minDue(int64_t a, int64_t b) {
    if (a < 0) return b;
    if (b < 0) return a;
    return std::min(a, b);
}

std::string hexOf(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string s;
    s.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        s += kDigits[b >> 4];
        s += kDigits[b & 15];
    }
    return s;
}

}  // namespace

// ---- the station ----------------------------------------------------------------------------

class RemoteStation::Wire final : public ModemHost {
  public:
    explicit Wire(RemoteStation& s) : s_(s) {}
    void toLine(std::string_view bytes, int64_t t) override { s_.line_.push(bytes, t); }
    void toDevice(std::string_view bytes, int64_t t) override { s_.heard(bytes, t); }
    void carrier(bool on, int64_t t) override {
        if (on)
            s_.callUp(t);
        else
            s_.callDown();
    }
    void discard(int64_t) override { s_.line_.clear(); }
    void journal(std::string line) override { s_.journal_.push_back(std::move(line)); }
    int64_t lineDrainedAtMs(int64_t t) const override { return s_.line_.drainedAtMs(t); }

  private:
    RemoteStation& s_;
};

namespace {
ModemOptions answering(const RemoteOptions& o) {
    ModemOptions m;
    m.ringAfterMs = o.ringAfterMs;
    return m;
}
}  // namespace

RemoteStation::RemoteStation(RemoteOptions o) : o_(std::move(o)), modem_(answering(o_), o_.baud), line_(o_.baud) {}

void RemoteStation::setBaud(int baud) {
    line_.setBaud(baud);
    modem_.setRate(baud);
}

int64_t RemoteStation::nextActionMs() const {
    int64_t t = modem_.nextDueMs();
    if (!plan_.empty()) t = minDue(t, plan_.front().afterMs);
    return minDue(t, hangupDueMs_);
}

void RemoteStation::advance(int64_t nowMs) {
    nowMs = std::max(nowMs, now_);
    for (;;) {
        const int64_t t = nextActionMs();
        if (t < 0 || t > nowMs) break;
        line_.drainUntil(t, out_);
        now_ = t;
        Wire w(*this);
        if (modem_.nextDueMs() == t) {
            modem_.advance(t, w);
        } else if (!plan_.empty() && plan_.front().afterMs == t) {
            // A command due at the moment of the hang-up still goes out first.
            const RemoteSend s = plan_.front();
            plan_.pop_front();
            journal_.push_back(JsonLine(t, "sent").add("text", s.text).str());
            modem_.fromDevice(frame::command(s.text), t, w);
        } else {
            hangupDueMs_ = -1;
            modem_.farEndHangsUp(t, w);
        }
    }
    line_.drainUntil(nowMs, out_);
    now_ = nowMs;
}

void RemoteStation::receive(std::string_view bytes, int64_t nowMs) {
    advance(nowMs);
    Wire w(*this);
    modem_.fromLine(bytes, now_, w);
}

std::string RemoteStation::transmit(int64_t nowMs) {
    advance(nowMs);
    return std::exchange(out_, {});
}

int64_t RemoteStation::nextDueMs(int64_t nowMs) const {
    if (!out_.empty()) return std::min(nowMs, now_);
    return minDue(nextActionMs(), line_.nextByteDueMs());
}

void RemoteStation::dtrOff(int64_t nowMs) {
    advance(nowMs);
    Wire w(*this);
    modem_.dtrOff(now_, w);
}

void RemoteStation::purgeOutput(int64_t nowMs) {
    advance(nowMs);
    line_.clear();
}

void RemoteStation::callUp(int64_t t) {
    std::vector<RemoteSend> plan = o_.sends;
    std::stable_sort(plan.begin(), plan.end(),
                     [](const RemoteSend& a, const RemoteSend& b) { return a.afterMs < b.afterMs; });
    plan_.clear();
    for (RemoteSend& s : plan) plan_.push_back({std::move(s.text), t + s.afterMs});
    hangupDueMs_ = o_.hangupAfterMs >= 0 ? t + o_.hangupAfterMs : -1;
    scanner_.reset();
}

void RemoteStation::callDown() {
    plan_.clear();
    hangupDueMs_ = -1;
    scanner_.reset();
}

void RemoteStation::heard(std::string_view bytes, int64_t t) {
    for (const FrameScanner::Piece& p : scanner_.feed(bytes)) {
        if (!p.frame) {
            journal_.push_back(JsonLine(t, "text").add("text", p.bytes).str());
            continue;
        }
        const auto* f = reinterpret_cast<const uint8_t*>(p.bytes.data());
        const char kind = p.bytes[frame::kKind];
        JsonLine j(t, "received");
        j.add("kind", std::string_view(&kind, 1));
        if (kind == frame::kLiveRecord || kind == frame::kLoggingRecord || kind == frame::kRealTimeRecord)
            j.add("counter", f[frame::kCounter] * 256 + f[frame::kCounter + 1]);
        j.add("checksum", f[frame::kChecksum] == frame::checksumOf(f));
        j.add("hex", hexOf(p.bytes));
        journal_.push_back(j.str());
    }
}

}  // namespace vt::sim
