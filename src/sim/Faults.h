// Line faults the simulated logger can put on its frames, drawn from one seeded generator so a
// run with the same options and the same commands damages the same frames.
//
// Plain C++.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "layout/FrameLayout.h"

namespace vt::sim {

struct FaultOptions {
    // Chance per frame, 0..1.
    double corrupt = 0.0;  // one payload byte (2..22) changed; the checksum no longer matches
    double badEnd = 0.0;   // byte 24 is not ETB
    double drop = 0.0;     // the frame never reaches the line
    double garbage = 0.0;  // 1..10 random bytes go out before the frame
    // A stall: the stream sends nothing for stallSeconds, once per start, after the stream has
    // run stallAfterSeconds or put stallAfterFrames frames on the line (negative: never).
    double stallAfterSeconds = -1.0;
    long stallAfterFrames = -1;
    double stallSeconds = 6.0;

    bool stalls() const { return stallAfterSeconds >= 0.0 || stallAfterFrames >= 0; }
};

// What was done to one frame.
struct FaultResult {
    bool dropped = false;
    int garbageBytes = 0;
    int corruptByte = -1;  // frame byte changed, -1 none
    bool badEnd = false;
    bool any() const { return dropped || garbageBytes > 0 || corruptByte >= 0 || badEnd; }
    // "drop", or the applied faults joined by '+' in the order garbage, corrupt, bad-end.
    std::string name() const;
};

class FaultInjector {
  public:
    FaultInjector(FaultOptions options, std::uint32_t seed) : o_(options), rng_(seed) {}

    // Decides the faults of one frame, damages `f` accordingly and puts the garbage bytes (if
    // any) in `before`. A dropped frame is left as it was.
    FaultResult apply(frame::Frame& f, std::string& before);
    const FaultOptions& options() const { return o_; }

  private:
    bool chance(double p);
    std::uint32_t below(std::uint32_t n) { return n == 0 ? 0 : rng_() % n; }

    FaultOptions o_;
    std::mt19937 rng_;  // its sequence is fixed by the standard, so runs repeat on every compiler
};

}  // namespace vt::sim
