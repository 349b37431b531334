// The logger's transmit line: a FIFO of bytes that leave one at a time at the line speed, ten
// bits a byte (start, eight data, stop). Time is whatever the caller says it is, in ms, so tests
// drive it with a fake clock.
//
// Plain C++.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vt::sim {

class PacedLine {
  public:
    static constexpr int kBitsPerByte = 10;

    explicit PacedLine(int baud = 9600) { setBaud(baud); }

    // Bits a second; 0 or less sends every byte at once (no pacing).
    void setBaud(int baud);
    int baud() const { return baud_; }

    // Queues bytes written at `nowMs`. Call drainUntil(nowMs) first so the line knows whether it
    // is idle.
    void push(std::string_view bytes, int64_t nowMs);
    // Moves every byte that has left the line by `ms` to `out`.
    void drainUntil(int64_t ms, std::string& out);
    // When the next queued byte will have left the line (ms, rounded up); -1 when none is queued.
    int64_t nextByteDueMs() const;
    // When every queued byte will have left the line (ms, rounded up); nowMs when none is queued.
    int64_t drainedAtMs(int64_t nowMs) const;
    std::size_t queued() const { return bytes_.size() - head_; }
    void clear();

  private:
    // When byte k (from 1) of the present burst has left the line, rounded up to the ns so the
    // line is never faster than its speed; counted from the burst's start so no error adds up.
    int64_t finishNs(int64_t k) const;

    int baud_ = 9600;
    int64_t burstStartNs_ = 0;  // when the line began sending without a break
    int64_t burstSent_ = 0;     // bytes of the burst that have left
    int64_t idleAtNs_ = 0;      // when the last byte taken off the queue had left
    std::string bytes_;
    std::size_t head_ = 0;
};

}  // namespace vt::sim
