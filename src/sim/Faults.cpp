#include "sim/Faults.h"

namespace vt::sim {

std::string FaultResult::name() const {
    if (dropped) return "drop";
    std::string s;
    auto add = [&s](const char* n) {
        if (!s.empty()) s += '+';
        s += n;
    };
    if (garbageBytes > 0) add("garbage");
    if (corruptByte >= 0) add("corrupt");
    if (badEnd) add("bad-end");
    return s;
}

bool FaultInjector::chance(double p) {
    // A fault that is off draws nothing, so a run without faults touches the generator never.
    if (p <= 0.0) return false;
    const double u = double(rng_() >> 8) / double(1u << 24);
    return u < p;
}

FaultResult FaultInjector::apply(frame::Frame& f, std::string& before) {
    FaultResult r;
    before.clear();
    if (chance(o_.drop)) {
        r.dropped = true;
        return r;
    }
    if (chance(o_.garbage)) {
        r.garbageBytes = 1 + int(below(10));
        for (int i = 0; i < r.garbageBytes; ++i) before += static_cast<char>(below(256));
    }
    if (chance(o_.corrupt)) {
        r.corruptByte = frame::kPayload + int(below(frame::kChecksum - frame::kPayload));
        f[size_t(r.corruptByte)] ^= static_cast<std::uint8_t>(1 + below(255));
    }
    if (chance(o_.badEnd)) {
        r.badEnd = true;
        std::uint8_t end = static_cast<std::uint8_t>(below(255));
        if (end >= frame::kETB) ++end;  // any byte but ETB
        f[frame::kEnd] = end;
    }
    return r;
}

}  // namespace vt::sim
