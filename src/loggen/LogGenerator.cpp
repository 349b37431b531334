#include "loggen/LogGenerator.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "loggen/Vehicle.h"

namespace loggen {

namespace {

// Figures of the terminal's course layout; the G byte is chosen against exactly these.
using vt::layout::kAccelScale;
using vt::layout::kGPerCount;
using vt::layout::kKmhToRecordMetres;
using vt::layout::kRecordSeconds;

namespace hdr = vt::layout::header;
namespace rec = vt::layout::rec;
namespace seg = vt::layout::seg;
using vt::layout::signedByte;
using vt::layout::word;
constexpr void put16(std::uint8_t* p, long v) { vt::layout::putWord(p, v); }

// Whole km/h the terminal shows for a road-speed count: floor(mm * 0.0036 * count), done in integers.
long wholeKmh(long mmPerPulse, long count) { return mmPerPulse * 36 * count / 10000; }

// The speed count whose whole km/h lands nearest the wanted speed. Counts whose product is an exact
// whole number are avoided: floating-point decoders may land one below it.
long speedCountFor(double wantedKmh, long mmPerPulse) {
    const long c0 = std::max(0L, long(std::lround(wantedKmh / (double(mmPerPulse) * 0.0036))));
    long best = -1;
    double bestErr = std::numeric_limits<double>::max();
    for (long c = std::max(0L, c0 - 2); c <= c0 + 2; ++c) {
        if (c > 0 && (mmPerPulse * 36 * c) % 10000 == 0) continue;
        const double err = std::abs(double(wholeKmh(mmPerPulse, c)) - wantedKmh);
        if (err < bestErr) {
            bestErr = err;
            best = c;
        }
    }
    return best < 0 ? c0 : best;
}

struct SegmentStats {
    int samples = 0;
    long minRpm = 0, maxRpm = 0, minSpeed = 0, maxSpeed = 0;
    int peakG = 0;
    long minT1 = 0, maxT1 = 0, minT2 = 0, maxT2 = 0;
    long pulses = 0;

    void add(const Record& r) {
        const long rpm = word(&r[rec::kRpm]);
        const long spd = word(&r[rec::kSpeed]);
        const long t1 = word(&r[rec::kTemp1]);
        const long t2 = word(&r[rec::kTemp2]);
        const int g = signedByte(r[rec::kLatG]);
        if (samples == 0) {
            minRpm = maxRpm = rpm;
            minSpeed = maxSpeed = spd;
            minT1 = maxT1 = t1;
            minT2 = maxT2 = t2;
            peakG = g;
        } else {
            minRpm = std::min(minRpm, rpm);
            maxRpm = std::max(maxRpm, rpm);
            minSpeed = std::min(minSpeed, spd);
            maxSpeed = std::max(maxSpeed, spd);
            minT1 = std::min(minT1, t1);
            maxT1 = std::max(maxT1, t1);
            minT2 = std::min(minT2, t2);
            maxT2 = std::max(maxT2, t2);
            if (std::abs(g) > std::abs(peakG)) peakG = g;  // the first of equal peaks stays
        }
        pulses += word(&r[rec::kPulses]);
        ++samples;
    }

    void write(std::uint8_t* s, int timeCs) const {
        put16(s + seg::kTime, timeCs);
        put16(s + seg::kRpmMin, minRpm);
        put16(s + seg::kRpmMax, maxRpm);
        put16(s + seg::kSpeedLow, minSpeed);
        put16(s + seg::kSpeedHigh, maxSpeed);
        s[seg::kPeakG] = std::uint8_t(std::int8_t(peakG));
        put16(s + seg::kTemp1Min, minT1);
        put16(s + seg::kTemp1Max, maxT1);
        put16(s + seg::kTemp2Min, minT2);
        put16(s + seg::kTemp2Max, maxT2);
        put16(s + seg::kPulses, pulses);
    }
};

// One timing line crossing: the start of a lap (seg 0) or the end of segment seg of that lap.
struct Crossing {
    int lapIndex;  // 0-based; lapIndex == laps is the closing lap marker
    int seg;       // 0 = lap line, else the segment just finished
    double time;   // seconds
    long cs;       // time rounded to 1/100 s
};

Record lapMarker(int lapNumber, int mmPerPulse, int carType) {
    Record r{};
    put16(&r[rec::kMmPerPulse], mmPerPulse);
    r[rec::kKind] = kLapMarker;
    r[rec::kCarType] = std::uint8_t(carType);
    r[rec::kLapNumber] = std::uint8_t(lapNumber);
    return r;
}

Record segmentMarker(long timeCs, int seg) {
    Record r{};
    put16(&r[rec::kSegTime], timeCs);
    r[rec::kKind] = kSegmentMarker;
    r[rec::kSegmentNo] = std::uint8_t(seg);
    return r;
}

std::uint8_t clampByte(double v, int lo, int hi) { return std::uint8_t(std::clamp(int(std::lround(v)), lo, hi)); }

}  // namespace

int memRecsForCode(int memCode) { return vt::layout::memRecsForCode(memCode); }

std::string validateOptions(const GenOptions& o) {
    std::ostringstream os;
    auto range = [&os](const char* name, long v, long lo, long hi) {
        if (v < lo || v > hi) {
            if (os.tellp() == 0) os << name << " is " << v << "; it must be " << lo << ".." << hi;
            return false;
        }
        return true;
    };
    range("laps", o.laps, 1, kMaxLapNumber);
    range("firstLap", o.firstLap, 1, kMaxLapNumber);
    if (os.tellp() == 0 && o.firstLap + o.laps - 1 > kMaxLapNumber) {
        os << "the last lap would be " << o.firstLap + o.laps - 1 << "; header byte 0 holds lap numbers up to "
           << kMaxLapNumber;
    }
    range("segments", o.segments, 1, kSegmentsPerLap);
    range("memCode", o.memCode, 0, 15);
    range("startAddress", o.startAddress, 0, memRecsForCode(o.memCode) - 1);
    range("speedUnit", o.speedUnit, 0, 1);
    range("carType", o.carType, 0, 2);
    range("tachoPulse", o.tachoPulse, 0, 8);
    range("rpmMax", o.rpmMax, 1000, 20000);
    range("mmPerPulse", o.mmPerPulse, 100, 999);
    range("afMode", o.afMode, 0, 65535);
    range("prsRange", o.prsRange, 0, 2);
    range("temp1Max", o.temp1Max, 50, 2000);
    range("temp2Max", o.temp2Max, 50, 2000);
    range("courseNumber", o.courseNumber, 0, 15);
    range("inG", o.inG, 0, 65535);
    range("outG", o.outG, 0, 255);
    range("offset", o.offset, -100, 100);
    if (os.tellp() == 0 && !(o.noise >= 0.0 && o.noise <= 50.0)) os << "noise must be 0..50 counts";
    if (os.tellp() == 0 && !(o.lapVariation >= 0.0 && o.lapVariation <= 10.0)) os << "lapVariation must be 0..10";
    if (o.slowLap != 0 && os.tellp() == 0) {
        if (o.slowLap < o.firstLap || o.slowLap > o.firstLap + o.laps - 1)
            os << "slowLap is " << o.slowLap << "; it must be one of the laps driven, " << o.firstLap << ".."
               << o.firstLap + o.laps - 1;
        else if (!(o.slowAt >= 0.0))
            os << "slowAt must be 0 or more metres into the lap";
        else if (!(o.slowLength > 0.0 && o.slowLength <= 10000.0))
            os << "slowLength must be more than 0 and at most 10000 metres";
        else if (!(o.slowGrip >= 0.3 && o.slowGrip <= 1.0))
            os << "slowGrip must be 0.3..1";
    }
    return os.str();
}

GenResult generateLog(const GenOptions& options) {
    GenResult res;
    res.error = validateOptions(options);
    if (!res.error.empty()) return res;
    CourseResult cr = resolveCourse(options.course);
    if (!cr.ok()) {
        res.error = cr.error;
        return res;
    }
    return generateLog(options, cr.course);
}

GenResult generateLog(const GenOptions& o, const Course& course) {
    GenResult res;
    res.error = validateOptions(o);
    if (!res.error.empty()) return res;
    if (course.points.size() < 8 || course.heading.size() != course.points.size() ||
        course.curvature.size() != course.points.size() || !(course.length > 0.0)) {
        res.error = "the course is empty or was not built by makeCourse";
        return res;
    }

    const int memRecs = memRecsForCode(o.memCode);
    const Vehicle veh = vehicleFor(o.carType);
    const int laps = o.laps;
    const int nSeg = o.segments;
    const double lapLen = course.length;

    // A lap at top speed all the way is the fastest possible; refuse early what cannot fit at all.
    const double minLapRecords = lapLen / veh.topSpeed / kRecordSeconds;
    if (minLapRecords > kMaxLapRecords) {
        std::ostringstream os;
        os << "course '" << course.name << "' (" << std::llround(lapLen) << " m) needs more than " << kMaxLapRecords
           << " records per lap";
        res.error = os.str();
        return res;
    }
    if (minLapRecords * laps > memRecs) {
        std::ostringstream os;
        os << laps << " laps of course '" << course.name << "' need more than the " << memRecs
           << " records of memory-size code " << o.memCode;
        res.error = os.str();
        return res;
    }

    Rng lapRng(o.seed);
    Rng sensorRng(o.seed ^ 0x9E3779B9u);
    Rng gRng(o.seed ^ 0x85EBCA6Bu);

    // Per-lap driver and vehicle variation; index 0 is the lead-in lap, laps + 1 the lap after.
    std::vector<LapFactors> factors(size_t(laps) + 2);
    for (int k = 1; k <= laps; ++k) factors[size_t(k)] = drawLapFactors(lapRng, o.lapVariation);
    factors[0] = factors[1];
    factors[size_t(laps) + 1] = factors[size_t(laps)];
    if (o.slowLap != 0) {
        if (o.slowAt >= lapLen) {
            std::ostringstream os;
            os << "slowAt is " << o.slowAt << " m; course '" << course.name << "' is " << std::llround(lapLen)
               << " m long";
            res.error = os.str();
            return res;
        }
        // Only the slowed lap itself: the lead-in and the lap after keep their own grip.
        LapFactors& f = factors[size_t(o.slowLap - o.firstLap + 1)];
        f.cornerMu = o.slowGrip;
        f.cornerFrom = std::fmod(o.slowAt - o.slowLength / 2 + lapLen, lapLen);
        f.cornerTo = std::fmod(o.slowAt + o.slowLength / 2, lapLen);
    }
    const double phase = 0.05 + 0.9 * lapRng.uniform();  // where the first sample falls after the line

    const SpeedProfile prof = driveProfile(course, veh, factors);

    // Timing line crossings, in order.
    std::vector<Crossing> crossings;
    crossings.reserve(size_t(laps) * size_t(nSeg) + 1);
    for (int k = 0; k < laps; ++k) {
        for (int m = 0; m < nSeg; ++m) {
            const double s = k * lapLen + m * lapLen / nSeg;
            crossings.push_back({k, m, prof.timeAt(s), 0});
        }
    }
    crossings.push_back({laps, 0, prof.timeAt(laps * lapLen), 0});
    for (Crossing& c : crossings) c.cs = std::lround(c.time * 100.0);

    LoggerMemory mem;
    mem.memRecs = memRecs;
    mem.startAddress = o.startAddress;
    mem.lapFirst = o.firstLap;
    mem.lapLast = o.firstLap + laps - 1;
    mem.course = course;
    mem.lapTable.assign(size_t(laps) * kLapTableBytes, 0);
    mem.laps.resize(size_t(laps));
    const double estRecords = prof.timeAt(laps * lapLen) * 10.0 + laps * (nSeg + 1) + 16;
    mem.records.reserve(size_t(std::min(estRecords, double(kImageRecords))));

    const long mm = o.mmPerPulse;
    const double pulsesPerRev = kTachoPulses[size_t(o.tachoPulse)];
    EngineState engine(veh, o.rpmMax, sensorRng);
    engine.start(prof.speedAt(0.0));

    // Dead-reckoning state the terminal will rebuild: what its heading and distance sums are so far.
    const double t0 = (phase - 1.0) * kRecordSeconds;
    const double sStart = prof.distanceAt(t0);
    const double headingRef = course.headingAt(sStart);
    double layoutDist = 0.0;
    double layoutHeading = 0.0;
    long pulsesPrev = 0;

    SegmentStats seg;
    size_t next = 0;  // next crossing
    int curLap = -1;
    int curSeg = 0;
    auto closeSegment = [&](long timeCs) -> bool {
        if (curLap < 0) return true;
        if (seg.samples == 0 || timeCs <= 0 || timeCs > 65535 || seg.pulses > 65535) {
            std::ostringstream os;
            os << "segment " << curSeg << " of lap " << o.firstLap + curLap;
            if (seg.samples == 0 || timeCs <= 0)
                os << " is too short to hold a sample; use fewer segments";
            else if (timeCs > 65535)
                os << " lasts longer than 655.35 s; use more segments";
            else
                os << " covers more than 65535 distance pulses; use more segments or a larger mmPerPulse";
            res.error = os.str();
            return false;
        }
        std::uint8_t* s = &mem.lapTable[size_t(curLap) * kLapTableBytes + size_t(curSeg - 1) * kSegmentBytes];
        seg.write(s, int(timeCs));
        mem.laps[size_t(curLap)].segmentTimesCs.push_back(int(timeCs));
        seg = SegmentStats{};
        return true;
    };

    for (long j = 1;; ++j) {
        const double tj = t0 + double(j) * kRecordSeconds;
        bool finished = false;
        while (next < crossings.size() && crossings[next].time < tj) {
            const Crossing& c = crossings[next];
            const long segCs = next > 0 ? c.cs - crossings[next - 1].cs : 0;
            if (c.seg == 0) {
                if (!closeSegment(segCs)) return res;
                if (curLap >= 0) {
                    LapInfo& li = mem.laps[size_t(curLap)];
                    li.recordCount = int(mem.records.size()) - li.firstRecord;
                }
                const int number = o.firstLap + c.lapIndex;
                mem.records.push_back(lapMarker(number, o.mmPerPulse, o.carType));
                if (c.lapIndex == laps) {
                    finished = true;
                    ++next;
                    break;
                }
                curLap = c.lapIndex;
                curSeg = 1;
                LapInfo& li = mem.laps[size_t(curLap)];
                li.number = number;
                li.firstRecord = int(mem.records.size()) - 1;
                li.address = mem.addressOf(li.firstRecord);
                std::uint8_t* s1 = &mem.lapTable[size_t(curLap) * kLapTableBytes];
                put16(s1 + seg::kMmPerPulse, o.mmPerPulse);
                put16(s1 + seg::kStartAddress, li.address);
            } else {
                if (!closeSegment(segCs)) return res;
                mem.records.push_back(segmentMarker(segCs, c.seg));
                curSeg = c.seg + 1;
            }
            ++next;
        }
        if (finished) break;
        if (mem.records.size() >= size_t(memRecs)) break;  // reported below

        const double sj = prof.distanceAt(tj);
        const double v = prof.speedAt(sj);  // m/s
        const double aLong = prof.accelAt(sj);
        const double kappa = course.curvatureAt(sj);

        // Speed count: whole km/h chosen so the layout's distance sum follows the driven distance.
        const double wantedKmh = (sj - sStart - layoutDist) / kKmhToRecordMetres;
        const long speedCount = speedCountFor(wantedKmh, mm);
        const long kmh = wholeKmh(mm, speedCount);
        layoutDist += double(kmh) * kKmhToRecordMetres;

        // G byte: the count that brings the layout's heading sum to the driven heading (right = +).
        int gClean = 0;
        if (kmh > 0) {
            const double perCount = kGPerCount * kAccelScale / (double(kmh) * kKmhToRecordMetres);
            const double wanted = -(course.headingAt(sj) - headingRef) - layoutHeading;
            gClean = std::clamp(int(std::lround(wanted / perCount)), -127, 127);
            layoutHeading += gClean * perCount;
        }
        double gSensor = gClean + o.offset;
        if (o.noise > 0.0) gSensor += o.noise * gRng.normal();

        const long pulsesNow = long(std::floor((sj - sStart) * 1000.0 / double(mm)));
        const long pulses = pulsesNow - pulsesPrev;
        pulsesPrev = pulsesNow;

        const EngineSample es = engine.step(v, aLong, factors[size_t(curLap) + 1].power);

        Record r{};
        r[rec::kLatG] = std::uint8_t(std::int8_t(std::clamp(int(std::lround(gSensor)), -128, 127)));
        if (o.carType == kBike) {
            const double lean = -std::atan(v * v * kappa / kGravity) * 180.0 / kPiValue;
            r[rec::kAngle] = std::uint8_t(std::int8_t(std::clamp(int(std::lround(lean)), -90, 90)));
        } else {
            r[rec::kAngle] = clampByte(es.batteryDeciVolt, 0, 255);
        }
        r[rec::kAirFuel] = clampByte(o.afMode == 0 ? es.oxygenRaw : es.afRaw, 0, 255);
        r[rec::kPressure] = clampByte(es.pressureRaw, 0, 255);
        r[rec::kSteering] =
            o.steeringSensor ? clampByte(100.0 - kappa * veh.steerGain + sensorRng.normal() * 0.4, 0, 200) : 255;
        r[rec::kThrottle] = o.throttleSensor ? clampByte(es.throttle * 200.0, 0, 200) : 255;
        put16(&r[rec::kTemp1], std::clamp(std::lround(es.temp1), 0L, long(o.temp1Max) - 1));
        put16(&r[rec::kTemp2], std::clamp(std::lround(es.temp2), 0L, long(o.temp2Max) - 1));
        put16(&r[rec::kRpm], std::min(65535L, std::lround(es.rpm * pulsesPerRev / 75.0)));
        put16(&r[rec::kSpeed], std::min(32767L, speedCount));
        put16(&r[rec::kPulses], std::min(32767L, pulses));
        mem.records.push_back(r);
        seg.add(r);
    }

    if (mem.records.size() > size_t(memRecs) || (next < crossings.size())) {
        std::ostringstream os;
        os << laps << " laps of course '" << course.name << "' need more than the " << memRecs
           << " records of memory-size code " << o.memCode;
        res.error = os.str();
        return res;
    }

    for (LapInfo& li : mem.laps) {
        li.timeCs = 0;
        for (int t : li.segmentTimesCs) li.timeCs += t;
        if (li.recordCount > kMaxLapRecords) {
            std::ostringstream os;
            os << "lap " << li.number << " takes " << li.recordCount << " records; the terminal reads at most "
               << kMaxLapRecords << " per lap";
            res.error = os.str();
            return res;
        }
        if (li.address == 0) {
            mem.warnings.push_back("lap " + std::to_string(li.number) +
                                   " starts at ring address 0, which the terminal reads as 'no lap'");
        }
    }
    if (mem.lapLast > 100) {
        mem.warnings.push_back("laps above 100 do not fit the terminal's lap table");
    }

    auto& h = mem.header;
    h[hdr::kUnitAndLastLap] = std::uint8_t(o.speedUnit | (mem.lapLast << 1));
    h[hdr::kTachoAndCourse] = std::uint8_t(o.tachoPulse | (o.courseNumber << 4));
    put16(&h[hdr::kRpmMax], o.rpmMax);
    h[hdr::kPrsRange] = std::uint8_t(o.prsRange);
    h[hdr::kCarAndMemory] = std::uint8_t(o.carType | (o.memCode << 4));
    put16(&h[hdr::kAFMode], o.afMode);
    put16(&h[hdr::kInG], o.inG);
    h[hdr::kOutG] = std::uint8_t(o.outG);
    h[hdr::kLapFirst] = std::uint8_t(mem.lapFirst);
    put16(&h[hdr::kTemp1Max], o.temp1Max);
    put16(&h[hdr::kTemp2Max], o.temp2Max);

    res.memory = std::move(mem);
    res.error.clear();
    return res;
}

std::vector<std::uint8_t> LoggerMemory::fileBytes() const {
    std::vector<std::uint8_t> out;
    out.reserve(header.size() + lapTable.size() + records.size() * kRecordBytes);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), lapTable.begin(), lapTable.end());
    for (const Record& r : records) out.insert(out.end(), r.begin(), r.end());
    return out;
}

std::vector<Record> LoggerMemory::ring() const {
    std::vector<Record> out(size_t(std::max(memRecs, 0)), Record{});
    if (memRecs <= 0) return out;
    for (size_t i = 0; i < records.size(); ++i) out[size_t(addressOf(int(i)))] = records[i];
    return out;
}

const std::uint8_t* LoggerMemory::segmentSummary(int lap, int seg) const {
    if (lap < lapFirst || lap > lapLast || seg < 1 || seg > kSegmentsPerLap) return nullptr;
    const size_t off = size_t(lap - lapFirst) * kLapTableBytes + size_t(seg - 1) * kSegmentBytes;
    if (off + kSegmentBytes > lapTable.size()) return nullptr;
    return &lapTable[off];
}

std::string writeLogFile(const LoggerMemory& memory, const std::string& path) {
    const std::vector<std::uint8_t> bytes = memory.fileBytes();
    return writeFileReplacing(path, bytes.data(), bytes.size());
}

std::string writeFileReplacing(const std::string& path, const std::uint8_t* data, std::size_t size) {
    // A temporary beside the file, renamed over it once it is whole: a full disk or a failed
    // write leaves the old file as it was, never a cut one.
    std::string tmp = path + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return "cannot create '" + path + "': " + std::strerror(errno);
    std::string error;
    for (std::size_t done = 0; done < size && error.empty();) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "cannot write '" + path + "': " + std::strerror(n < 0 ? errno : ENOSPC);
            break;
        }
        done += std::size_t(n);
    }
    if (error.empty() && ::fsync(fd) != 0) error = "cannot write '" + path + "': " + std::strerror(errno);
    // The file gets the permissions a plainly created one would have.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0 && error.empty()) error = "cannot write '" + path + "': " + std::strerror(errno);
    if (error.empty() && std::rename(tmp.c_str(), path.c_str()) != 0)
        error = "cannot replace '" + path + "': " + std::strerror(errno);
    if (!error.empty()) ::unlink(tmp.c_str());
    return error;
}

}  // namespace loggen
