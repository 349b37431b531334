#include "sim/PacedLine.h"

#include <algorithm>

namespace vt::sim {

namespace {
constexpr int64_t kNsPerMs = 1'000'000;
constexpr int64_t kNsPerSecond = 1'000'000'000;
}  // namespace

int64_t PacedLine::finishNs(int64_t k) const {
    if (baud_ <= 0) return burstStartNs_;
    const int64_t bits = k * kBitsPerByte * kNsPerSecond;
    return burstStartNs_ + (bits + baud_ - 1) / baud_;
}

void PacedLine::setBaud(int baud) {
    // A new speed starts a new burst where the last byte left (at the old speed), so bytes
    // already sent keep their times.
    burstStartNs_ = finishNs(burstSent_);
    burstSent_ = 0;
    baud_ = baud;
}

void PacedLine::push(std::string_view bytes, int64_t nowMs) {
    if (bytes.empty()) return;
    if (queued() == 0) {
        // An idle line starts a burst now; a busy one queues behind what is on it.
        burstStartNs_ = std::max(idleAtNs_, nowMs * kNsPerMs);
        burstSent_ = 0;
        bytes_.clear();
        head_ = 0;
    }
    bytes_.append(bytes);
}

void PacedLine::drainUntil(int64_t ms, std::string& out) {
    const int64_t limit = ms * kNsPerMs;
    const std::size_t first = head_;
    while (head_ < bytes_.size() && finishNs(burstSent_ + 1) <= limit) {
        ++burstSent_;
        ++head_;
    }
    if (head_ != first) idleAtNs_ = finishNs(burstSent_);
    out.append(bytes_, first, head_ - first);
    if (head_ == bytes_.size()) {
        bytes_.clear();
        head_ = 0;
    } else if (head_ > 4096) {
        bytes_.erase(0, head_);
        head_ = 0;
    }
}

int64_t PacedLine::nextByteDueMs() const {
    if (queued() == 0) return -1;
    const int64_t due = finishNs(burstSent_ + 1);
    return (due + kNsPerMs - 1) / kNsPerMs;
}

int64_t PacedLine::drainedAtMs(int64_t nowMs) const {
    if (queued() == 0) return nowMs;
    const int64_t due = finishNs(burstSent_ + int64_t(queued()));
    return std::max(nowMs, (due + kNsPerMs - 1) / kNsPerMs);
}

void PacedLine::clear() {
    bytes_.clear();
    head_ = 0;
}

}  // namespace vt::sim
