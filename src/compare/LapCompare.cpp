#include "compare/LapCompare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "layout/LogLayout.h"
#include "logdata/Conversions.h"
#include "logdata/Decode.h"
#include "platform/NumText.h"

namespace vt {

namespace {

namespace rec = layout::rec;
using Record = std::array<uint8_t, 16>;

constexpr float kRecordSeconds = static_cast<float>(layout::kRecordSeconds);
// A line's time is whole 1/100 s: it may stand this far (in records) outside the records around it.
constexpr float kLineSlack = 0.1f;

int recordWord(const Record& r, int at) { return layout::word(&r[static_cast<size_t>(at)]); }

// Sample k (1-based, counted from a start line) was taken (k - 1 + phase) records after that
// line, the phase in (0, 1]. A line crossed C seconds after the start line, after the k-th
// sample and before the next, bounds the phase to (10 C - k, 10 C - k + 1]. Line times are whole
// 1/100 s, so each bound is widened by that much.
struct PhaseBounds {
    double lo = 0, hi = 1;
    bool empty = false;
    void add(double c, int64_t k) {
        const double a = c * 10.0 - static_cast<double>(k);
        const double nlo = std::max(lo, a - kLineSlack), nhi = std::min(hi, a + 1.0 + kLineSlack);
        if (nlo > nhi) {
            empty = true;  // the lines disagree (a pause in the logging): this bound is left out
            return;
        }
        lo = nlo;
        hi = nhi;
    }
    float phase() const { return static_cast<float>(std::clamp((lo + hi) / 2, 0.0, 1.0)); }
};

// The segment times of a lap page until the first zero, of at most `entries` entries; their sum
// is the lap list's lap time.
std::vector<int32_t> pageTimes(const Module1& m, int lap, int entries = layout::kSegmentsPerLap) {
    std::vector<int32_t> times;
    for (int e = 1; e <= entries; ++e) {
        const int32_t t = lapWord(m, lap, e, layout::seg::kTime);
        if (t == 0) break;
        times.push_back(t);
    }
    return times;
}

// Interpolates y between two points by x; the first point when they share x.
float lerp(float x0, float y0, float x1, float y1, float x) {
    if (!(x1 > x0)) return y0;
    return y0 + (x - x0) / (x1 - x0) * (y1 - y0);
}

// Index of the first point at or beyond x, walking on from `hint` (x never decreases between calls).
size_t firstAtOrBeyond(const std::vector<float>& v, float x, size_t& hint) {
    while (hint < v.size() && v[hint] < x) ++hint;
    return hint;
}

float timeAtFrom(const LapTrace& tr, float x, size_t& hint) {
    if (x <= 0) return 0;
    if (x >= tr.length) return tr.t.back();
    const size_t i = firstAtOrBeyond(tr.d, x, hint);
    if (i == 0) return tr.t.front();
    if (i >= tr.d.size()) return tr.t.back();
    if (tr.d[i] == x) return tr.t[i];
    return lerp(tr.d[i - 1], tr.t[i - 1], tr.d[i], tr.t[i], x);
}

float speedAtFrom(const LapTrace& tr, float x, size_t& hint) {
    if (tr.kmh.empty()) return 0;
    const size_t i = firstAtOrBeyond(tr.d, std::max(x, 0.0f), hint);
    if (i == 0) return tr.kmh.front();
    if (i >= tr.d.size()) return tr.kmh.back();
    return lerp(tr.d[i - 1], tr.kmh[i - 1], tr.d[i], tr.kmh[i], x);
}

float mapFrom(const std::vector<float>& from, const std::vector<float>& to, float x, size_t& hint) {
    return map_distance(from, to, x, hint);
}

}  // namespace

float map_distance(const std::vector<float>& from, const std::vector<float>& to, float x, size_t& hint) {
    if (from.size() < 2 || to.size() != from.size()) return x;
    while (hint + 2 < from.size() && x > from[hint + 1]) ++hint;
    // A stretch that maps onto itself (a lap against itself) gives x exactly.
    if (from[hint] == to[hint] && from[hint + 1] == to[hint + 1]) return x;
    return lerp(from[hint], to[hint], from[hint + 1], to[hint + 1], x);
}

float log_phase(const Module1& m, int lap, int* laps) {
    if (laps) *laps = 0;
    if (lap < m.LapFirst || lap > m.LapLast || lap < 0 || lap > kMaxLap) return -1;
    // A lap of the image: from its lap marker (at its start address) to the next lap marker.
    struct Span {
        int32_t start = -1, end = -1, samples = 0;
        std::vector<int32_t> before;  // samples before each segment marker
    };
    auto span = [&m](int l) {
        Span sp;
        const int address = lapWord(m, l, 1, layout::seg::kStartAddress);
        if (address == 0 || lapWord(m, l, 1, layout::seg::kTime) == 0) return sp;
        const int32_t p = imageIndex(m, address);
        if (p < 0 || p >= kMaxRecord || m.LogMem[static_cast<size_t>(p)][rec::kKind] != layout::kLapMarker) return sp;
        for (int32_t r = p + 1; r <= kMaxRecord; ++r) {
            const uint8_t kind = m.LogMem[static_cast<size_t>(r)][rec::kKind];
            if (kind == layout::kLapMarker) {
                sp.start = p;
                sp.end = r;
                return sp;
            }
            if (kind == layout::kSegmentMarker)
                sp.before.push_back(sp.samples);
            else
                ++sp.samples;
        }
        return sp;
    };
    const Span own = span(lap);
    if (own.start < 0) return -1;
    // The run: the laps before and after whose records join this lap's without a gap.
    int first = lap, last = lap;
    std::vector<Span> spans{own};
    for (Span prev; first > m.LapFirst && (prev = span(first - 1)).start >= 0 && prev.end == spans.front().start;) {
        spans.insert(spans.begin(), prev);
        --first;
    }
    for (Span next; last < std::min<int>(m.LapLast, kMaxLap) && (next = span(last + 1)).start >= 0 &&
                    next.start == spans.back().end;) {
        spans.push_back(next);
        ++last;
    }
    // Every line of the run in one time line from the run's first start line.
    PhaseBounds b;
    int64_t samples = 0, centis = 0, lapSamples = 0, lapCentis = 0;
    for (int l = first; l <= last; ++l) {
        const Span& sp = spans[static_cast<size_t>(l - first)];
        const std::vector<int32_t> times = pageTimes(m, l);
        if (l == lap) {
            lapSamples = samples;
            lapCentis = centis;
        }
        const bool markers = sp.before.size() + 1 == times.size();
        int64_t c = centis;
        for (size_t j = 0; j < times.size(); ++j) {
            c += times[j];
            if (j + 1 == times.size())
                b.add(static_cast<double>(c) / 100.0, samples + sp.samples);
            else if (markers)
                b.add(static_cast<double>(c) / 100.0, samples + sp.before[j]);
        }
        samples += sp.samples;
        centis = c;
    }
    // The run's phase carried to this lap's start line.
    const double runPhase = (b.lo + b.hi) / 2;
    double phase = static_cast<double>(lapSamples) + runPhase - static_cast<double>(lapCentis) / 10.0;
    if (phase <= 0 || phase > 1) phase = std::clamp(phase, 0.0, 1.0);
    if (laps) *laps = last - first + 1;
    return static_cast<float>(phase);
}

LapSource currentLap(const Module1& m) {
    LapSource s;
    if (m.RecPtr < 0 || m.RecPtr > kMaxRecord || m.RecCount <= 0) return s;
    s.records = &m.LogMem[static_cast<size_t>(m.RecPtr)];
    s.count = std::min<int32_t>(m.RecCount, kMaxRecord + 1 - m.RecPtr);
    // The lap's own distance per pulse, where locating the lap found it (the lists may have
    // left another lap's in MmPerPulse since).
    const int mm = recWord(m, m.RecPtr, rec::kMmPerPulse);
    s.mmPerPulse = mm >= 10 && mm <= 999 ? mm : m.MmPerPulse;
    s.speedUnit = m.SpeedUnit;
    const std::vector<int32_t> times = pageTimes(m, std::clamp<int>(m.LapCur, 0, kMaxLap));
    std::copy(times.begin(), times.end(), s.segTimes.begin() + 1);
    s.segments = static_cast<int>(times.size());
    s.phase = log_phase(m, m.LapCur, &s.phaseLaps);
    return s;
}

LapSource referenceLap(const RefLapState& r) {
    LapSource s;
    if (!r.On || r.Records.empty()) return s;
    s.records = r.Records.data();
    s.count = static_cast<int32_t>(r.Records.size());
    s.mmPerPulse = r.MmPerPulse;
    s.speedUnit = r.SpeedUnit;
    s.phase = r.Phase;
    s.phaseLaps = r.PhaseLaps;
    for (size_t e = 0; e < r.SegTimes.size() && e < 15; ++e) {
        s.segTimes[e + 1] = r.SegTimes[e];
        s.segments = static_cast<int>(e + 1);
    }
    return s;
}

float LapTrace::timeAt(float x) const {
    if (t.empty()) return 0;
    size_t hint = 0;
    if (x > 0 && x < length) hint = static_cast<size_t>(std::lower_bound(d.begin(), d.end(), x) - d.begin());
    return timeAtFrom(*this, x, hint);
}

float LapTrace::speedAt(float x) const {
    if (t.empty()) return 0;
    size_t hint = static_cast<size_t>(std::lower_bound(d.begin(), d.end(), std::max(x, 0.0f)) - d.begin());
    return speedAtFrom(*this, x, hint);
}

LapTrace lap_trace(const LapSource& lap) {
    LapTrace tr;
    if (lap.records == nullptr || lap.count <= 1) {
        tr.error = "no sample records";
        return tr;
    }
    if (lap.mmPerPulse <= 0) {
        tr.error = "no distance per pulse";
        return tr;
    }
    const int lines = lap.segments;  // line j ends segment j; line `lines` is the finish
    int32_t total = 0;
    for (int j = 1; j <= lines; ++j) total += lap.segTimes[static_cast<size_t>(j)];
    tr.timeCs = total;
    if (lines == 0 || total <= 0) {
        tr.error = "no lap time";
        return tr;
    }

    // The samples: pulses and speed of each, and how many came before each segment marker.
    const size_t n = static_cast<size_t>(lap.count);
    std::vector<int32_t> pulses;
    std::vector<float> speed;
    std::vector<int32_t> before;  // samples before each segment marker
    pulses.reserve(n);
    speed.reserve(n);
    tr.sampleRecord.reserve(n);
    float kmh = 0;  // a count that gives no speed keeps the last one, as nama_store does
    for (int32_t r = 1; r < lap.count; ++r) {
        const Record& x = lap.records[r];
        const uint8_t kind = x[rec::kKind];
        if (kind == layout::kLapMarker) break;
        if (kind == layout::kSegmentMarker) {
            before.push_back(static_cast<int32_t>(pulses.size()));
            continue;
        }
        const int p = recordWord(x, rec::kPulses);
        pulses.push_back(fits16(p) ? p : 0);  // a count nama_store cannot take adds nothing
        const int count = recordWord(x, rec::kSpeed);
        if (fits16(count)) {
            const double v = speedOfCount(lap.mmPerPulse, lap.speedUnit, count);
            if (fits16(v)) kmh = static_cast<float>(v);
        }
        speed.push_back(kmh);
        tr.sampleRecord.push_back(r);
    }
    const int32_t samples = static_cast<int32_t>(pulses.size());
    if (samples == 0) {
        tr.error = "no sample records";
        return tr;
    }

    // Line times from the segment times.
    std::vector<float> lineTime(static_cast<size_t>(lines) + 1, 0.0f);
    int32_t cum = 0;
    for (int j = 1; j <= lines; ++j) {
        cum += lap.segTimes[static_cast<size_t>(j)];
        lineTime[static_cast<size_t>(j)] = static_cast<float>(cum) / 100.0f;
    }

    // Where the first sample fell after the start line: from the whole run of laps logged without
    // a break when the source knows it, else from this lap's own lines.
    if (lap.phase >= 0) {
        tr.phase = lap.phase;
        tr.phaseLaps = lap.phaseLaps;
    } else {
        PhaseBounds b;
        b.add(lineTime.back(), samples);  // the finish comes after the last sample
        if (static_cast<int>(before.size()) == lines - 1)
            for (int j = 1; j < lines; ++j) b.add(lineTime[static_cast<size_t>(j)], before[static_cast<size_t>(j - 1)]);
        tr.phase = b.phase();
        tr.phaseLaps = 1;
    }
    const float phase = tr.phase;

    // The first sample's pulses span the tenth of a second before it, partly before the line.
    const float metresPerPulse = static_cast<float>(lap.mmPerPulse) / 1000.0f;
    const float startPart = (1.0f - phase) * static_cast<float>(pulses[0]);
    auto sampleTime = [phase](int32_t k) { return (static_cast<float>(k) - 1.0f + phase) * kRecordSeconds; };

    const size_t points = static_cast<size_t>(samples) + static_cast<size_t>(lines) + 1;
    tr.t.reserve(points);
    tr.d.reserve(points);
    tr.kmh.reserve(points);
    tr.samplePoint.reserve(static_cast<size_t>(samples));
    tr.linePoint.reserve(static_cast<size_t>(lines) + 1);
    auto push = [&tr](float t, float d, float v) {
        tr.t.push_back(t);
        tr.d.push_back(d);
        tr.kmh.push_back(v);
    };
    push(0, 0, speed[0]);
    tr.linePoint.push_back(0);

    // The samples and lines in time order; a line lies on the straight between its neighbours.
    int next = 1;  // next line
    float pulseSum = 0;
    auto sampleDistance = [&](float sumThrough) { return (sumThrough - startPart) * metresPerPulse; };
    auto placeLine = [&](int j, bool haveNext, float tNext, float dNext, float vNext) {
        const float c = lineTime[static_cast<size_t>(j)];
        const float t0 = tr.t.back(), d0 = tr.d.back(), v0 = tr.kmh.back();
        float d, v;
        if (haveNext) {
            const float f = tNext > t0 ? std::clamp((c - t0) / (tNext - t0), 0.0f, 1.0f) : 0.0f;
            d = d0 + f * (dNext - d0);
            v = v0 + f * (vNext - v0);
        } else {
            // After the last sample: on at the last sample's pace.
            const float pace = static_cast<float>(pulses.back()) * metresPerPulse / kRecordSeconds;
            d = d0 + std::max(0.0f, c - t0) * pace;
            v = v0;
        }
        tr.linePoint.push_back(static_cast<int32_t>(tr.t.size()));
        push(std::max(c, t0), d, v);
    };
    for (int32_t k = 1; k <= samples; ++k) {
        pulseSum += static_cast<float>(pulses[static_cast<size_t>(k - 1)]);
        const float tk = sampleTime(k);
        const float dk = sampleDistance(pulseSum);
        const float vk = speed[static_cast<size_t>(k - 1)];
        while (next < lines && lineTime[static_cast<size_t>(next)] < tk) placeLine(next++, true, tk, dk, vk);
        tr.samplePoint.push_back(static_cast<int32_t>(tr.t.size()));
        push(std::max(tk, tr.t.back()), std::max(dk, tr.d.back()), vk);
    }
    while (next <= lines) placeLine(next++, false, 0, 0, 0);
    // The finish is the lap time itself, whatever the records' rounding.
    tr.t.back() = lineTime.back();
    for (size_t i = tr.t.size() - 1; i-- > 0;) tr.t[i] = std::min(tr.t[i], tr.t[i + 1]);
    tr.length = tr.d.back();
    if (!(tr.length > 0)) tr.error = "no distance";
    return tr;
}

float LapDiff::refDistance(float x) const {
    size_t hint = 0;
    return mapFrom(from, to, x, hint);
}

float LapDiff::at(float x) const {
    if (this->x.empty()) return 0;
    if (x >= length) return final;
    if (x <= 0) return delta.front();
    const size_t i = static_cast<size_t>(std::lower_bound(this->x.begin(), this->x.end(), x) - this->x.begin());
    if (i == 0) return delta.front();
    if (i >= this->x.size()) return delta.back();
    if (this->x[i] == x) return delta[i];
    return lerp(this->x[i - 1], delta[i - 1], this->x[i], delta[i], x);
}

LapDiff compare_laps(const LapTrace& cur, const LapTrace& ref) {
    LapDiff out;
    if (!cur.ok()) {
        out.error = "the current lap has " + cur.error;
        return out;
    }
    if (!ref.ok()) {
        out.error = "the reference lap has " + ref.error;
        return out;
    }
    out.length = cur.length;
    out.refLength = ref.length;
    out.final = static_cast<float>(cur.timeCs - ref.timeCs) / 100.0f;

    // Segment line to segment line when both laps have the same lines, each segment of some length.
    const size_t lines = cur.linePoint.size();
    out.aligned = lines > 2 && lines == ref.linePoint.size();
    for (size_t j = 1; out.aligned && j < lines; ++j)
        out.aligned = cur.d[static_cast<size_t>(cur.linePoint[j])] > cur.d[static_cast<size_t>(cur.linePoint[j - 1])] &&
                      ref.d[static_cast<size_t>(ref.linePoint[j])] > ref.d[static_cast<size_t>(ref.linePoint[j - 1])];
    if (out.aligned) {
        for (size_t j = 0; j < lines; ++j) {
            out.from.push_back(cur.d[static_cast<size_t>(cur.linePoint[j])]);
            out.to.push_back(ref.d[static_cast<size_t>(ref.linePoint[j])]);
        }
    } else {
        out.from = {0.0f, cur.length};
        out.to = {0.0f, ref.length};
    }

    // Every point of the current lap; the distances only grow, so both walks go forward. Both
    // laps are taken when they first reach a place: where the current lap stood still, the
    // points share the time it arrived, and the next point that moves on carries the wait.
    const size_t n = cur.t.size();
    out.x.resize(n);
    out.delta.resize(n);
    size_t mapHint = 0, refHint = 0, line = 0;
    float arrived = 0;
    for (size_t i = 0; i < n; ++i) {
        const float x = cur.d[i];
        if (i == 0 || x != cur.d[i - 1]) arrived = cur.t[i];
        const bool isLine = line < lines && static_cast<size_t>(cur.linePoint[line]) == i;
        float time = arrived, refTime;
        if (out.aligned && isLine) {
            time = cur.t[i];  // the lines' own times
            refTime = ref.t[static_cast<size_t>(ref.linePoint[line])];
        } else {
            refTime = timeAtFrom(ref, mapFrom(out.from, out.to, x, mapHint), refHint);
        }
        if (isLine) ++line;
        out.x[i] = x;
        out.delta[i] = time - refTime;
    }
    out.delta.back() = out.final;

    float previous = 0;
    for (size_t j = 1; j < cur.linePoint.size(); ++j) {
        const size_t p = static_cast<size_t>(cur.linePoint[j]);
        SegmentDiff s;
        s.end = cur.d[p];
        s.time = cur.t[p];
        s.diff = j + 1 == cur.linePoint.size() ? out.final : out.delta[p];
        s.refTime = s.time - s.diff;
        s.segDiff = s.diff - previous;
        previous = s.diff;
        out.segments.push_back(s);
    }
    return out;
}

std::vector<float> stretch_gains(const LapDiff& diff, int n) {
    std::vector<float> gains;
    if (!diff.ok() || n <= 0) return gains;
    gains.reserve(static_cast<size_t>(n));
    float before = 0;
    for (int s = 1; s <= n; ++s) {
        const float after = s == n ? diff.final : diff.at(diff.length * static_cast<float>(s) / static_cast<float>(n));
        gains.push_back(after - before);
        before = after;
    }
    return gains;
}

std::vector<CompareRow> compare_rows(const LapTrace& cur, const LapTrace& ref, const LapDiff& diff, float step) {
    std::vector<CompareRow> rows;
    if (!diff.ok() || !(step > 0)) return rows;
    rows.reserve(static_cast<size_t>(diff.length / step) + 2);
    size_t mapHint = 0, curT = 0, curV = 0, refT = 0, refV = 0;
    auto row = [&](float x) {
        const float y = mapFrom(diff.from, diff.to, x, mapHint);
        CompareRow r{};
        r.distance = x;
        r.time = timeAtFrom(cur, x, curT);
        r.refTime = timeAtFrom(ref, y, refT);
        r.speed = speedAtFrom(cur, x, curV);
        r.refSpeed = speedAtFrom(ref, y, refV);
        r.diff = x >= diff.length ? diff.final : r.time - r.refTime;
        rows.push_back(r);
    };
    for (int i = 0;; ++i) {
        const float x = static_cast<float>(i) * step;
        if (x >= diff.length) break;
        row(x);
    }
    row(diff.length);
    return rows;
}

LapComparison compare_current(const Module1& m, const RefLapState& ref) {
    LapComparison c;
    if (!ref.On) {
        c.diff.error = "no reference lap";
        return c;
    }
    c.cur = lap_trace(currentLap(m));
    c.ref = lap_trace(referenceLap(ref));
    c.diff = compare_laps(c.cur, c.ref);
    return c;
}

int best_lap(const Module1& m) {
    int32_t best = layout::kNoTime;
    int bestLap = 0;
    for (int lap = std::min<int>(m.LapLast, kMaxLap); lap >= std::max<int>(m.LapFirst, 0); --lap) {
        if (m.LapTbl[static_cast<size_t>(lap)][1][layout::seg::kDeleted] == layout::kDeletedMark) continue;
        const std::vector<int32_t> times = pageTimes(m, lap, layout::kSegmentsPerLap + 1);  // as the lap list sums
        const int32_t t = std::accumulate(times.begin(), times.end(), int32_t{0});
        if (t > 0 && t < best) {
            best = t;
            bestLap = lap;
        }
    }
    return bestLap;
}

bool reference_from_image(Module1& src, int lap, const std::string& name, const std::string& path, RefLapState& ref,
                          std::string* error) {
    auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    const std::string lapText = "lap " + std::to_string(lap);
    if (lap < src.LapFirst || lap > src.LapLast || lap < 0 || lap > kMaxLap)
        return fail(lapText + " is not in the log (laps " + std::to_string(src.LapFirst) + ".." +
                    std::to_string(src.LapLast) + ")");

    // Locating moves the image's current lap: keep it.
    const int16_t lapCur = src.LapCur, mm = src.MmPerPulse, carType = src.CarType;
    const int32_t recPtr = src.RecPtr, recCount = src.RecCount;
    src.LapCur = static_cast<int16_t>(lap);
    const bool located = locate_lap(src);
    RefLapState copy;
    copy.PaintCourse = ref.PaintCourse;
    copy.ListDiff = ref.ListDiff;
    if (located) {
        const int32_t count = std::min<int32_t>(src.RecCount, kMaxRecord + 1 - src.RecPtr);
        copy.Records.assign(&src.LogMem[static_cast<size_t>(src.RecPtr)],
                            &src.LogMem[static_cast<size_t>(src.RecPtr)] + std::max(count, 0));
        copy.MmPerPulse = src.MmPerPulse;
        copy.CarType = src.CarType;
    }
    src.LapCur = lapCur;
    src.MmPerPulse = mm;
    src.CarType = carType;
    src.RecPtr = recPtr;
    src.RecCount = recCount;
    if (!located) return fail(lapText + " cannot be located");

    copy.Phase = log_phase(src, lap, &copy.PhaseLaps);
    copy.Name = name;
    copy.Path = path;
    copy.Lap = static_cast<int16_t>(lap);
    copy.SpeedUnit = src.SpeedUnit;
    copy.TachoPulse = src.TachoPulse;
    copy.RpmMax = src.RpmMax;
    copy.AFMode = src.AFMode;
    copy.PrsRange = src.PrsRange;
    copy.SegTimes = pageTimes(src, lap);
    copy.TimeCs = std::accumulate(copy.SegTimes.begin(), copy.SegTimes.end(), int32_t{0});
    copy.On = true;
    const LapTrace tr = lap_trace(referenceLap(copy));
    if (!tr.ok()) return fail(lapText + " has " + tr.error);
    ref = std::move(copy);
    return true;
}

std::string diffText(float seconds, int decimals) {
    decimals = std::clamp(decimals, 0, 2);
    const double scale = decimals == 0 ? 1 : decimals == 1 ? 10 : 100;
    const long long units = std::llround(static_cast<double>(seconds) * scale);
    char buf[48];
    const char sign = units > 0 ? '+' : units < 0 ? '-' : ' ';
    const long long a = units < 0 ? -units : units;
    if (decimals == 0)
        std::snprintf(buf, sizeof buf, "%c%lld", sign, a);
    else
        std::snprintf(buf, sizeof buf, "%c%lld.%0*lld", sign, a / static_cast<long long>(scale), decimals,
                      a % static_cast<long long>(scale));
    return buf;
}

}  // namespace vt
