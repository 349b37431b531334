#include "sim/Memory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "layout/LogLayout.h"

namespace vt::sim {

namespace {
namespace hdr = layout::header;
namespace rec = layout::rec;
namespace seg = layout::seg;
using layout::word;
}  // namespace

int lapTimeFromTable(const loggen::LoggerMemory& m, int lap) {
    if (m.segmentSummary(lap, 1) == nullptr) return -1;
    int sum = 0;
    for (int s = 1; s <= layout::kSegmentsPerLap; ++s) {
        const std::uint8_t* p = m.segmentSummary(lap, s);
        if (p == nullptr) break;
        const int t = word(p + seg::kTime);
        if (t == 0) break;  // a zero time ends the lap's segments
        sum += t;
    }
    return sum;
}

int mmPerPulseOf(const loggen::LoggerMemory& m, int otherwise) {
    for (const loggen::Record& r : m.records) {
        if (r[rec::kKind] == layout::kLapMarker) {
            const int mm = word(&r[rec::kMmPerPulse]);
            return mm > 0 ? mm : otherwise;
        }
    }
    return otherwise;
}

MemoryResult memoryFromLogBytes(const std::vector<std::uint8_t>& bytes) {
    MemoryResult res;
    if (bytes.size() < size_t(layout::kHeaderBytes)) {
        res.error = "the log is shorter than its 16-byte header";
        return res;
    }
    loggen::LoggerMemory m;
    std::copy_n(bytes.begin(), layout::kHeaderBytes, m.header.begin());
    m.lapFirst = m.header[hdr::kLapFirst];
    m.lapLast = m.header[hdr::kUnitAndLastLap] >> 1;
    m.memRecs = layout::memRecsForCode(m.header[hdr::kCarAndMemory] >> 4);
    const size_t laps = m.lapLast >= m.lapFirst ? size_t(m.lapLast - m.lapFirst + 1) : 0;
    const size_t tableEnd = size_t(layout::kHeaderBytes) + laps * size_t(layout::kLapPageBytes);
    if (bytes.size() < tableEnd) {
        res.error = "the log ends inside its lap table (laps " + std::to_string(m.lapFirst) + ".." +
                    std::to_string(m.lapLast) + " need " + std::to_string(tableEnd) + " bytes)";
        return res;
    }
    m.lapTable.assign(bytes.begin() + layout::kHeaderBytes, bytes.begin() + long(tableEnd));
    const size_t count = (bytes.size() - tableEnd) / size_t(layout::kRecordBytes);
    m.records.resize(count);
    for (size_t i = 0; i < count; ++i)
        std::copy_n(bytes.begin() + long(tableEnd + i * layout::kRecordBytes), layout::kRecordBytes,
                    m.records[i].begin());
    if (const std::uint8_t* s1 = m.segmentSummary(m.lapFirst, 1)) m.startAddress = word(s1 + seg::kStartAddress);
    if (m.memRecs > 0) m.startAddress %= m.memRecs;

    // Laps as the markers lay them out; the last marker closes the last lap.
    for (size_t i = 0; i < count; ++i) {
        const loggen::Record& r = m.records[i];
        if (r[rec::kKind] != layout::kLapMarker) continue;
        if (!m.laps.empty()) m.laps.back().recordCount = int(i) - m.laps.back().firstRecord;
        loggen::LapInfo lap;
        lap.number = r[rec::kLapNumber];
        lap.firstRecord = int(i);
        lap.address = m.addressOf(int(i));
        lap.recordCount = int(count - i);
        lap.timeCs = std::max(0, lapTimeFromTable(m, lap.number));
        m.laps.push_back(lap);
    }
    // A closing marker with nothing after it begins no lap of its own.
    if (!m.laps.empty() && m.laps.back().recordCount == 1 && m.laps.size() > 1) m.laps.pop_back();
    for (loggen::LapInfo& lap : m.laps) {
        for (int s = 1; s <= layout::kSegmentsPerLap; ++s) {
            const std::uint8_t* p = m.segmentSummary(lap.number, s);
            if (p == nullptr || word(p + seg::kTime) == 0) break;
            lap.segmentTimesCs.push_back(word(p + seg::kTime));
        }
    }
    res.memory = std::move(m);
    return res;
}

MemoryResult loadLogFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        MemoryResult res;
        res.error = "cannot open '" + path + "': " + std::strerror(errno);
        return res;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        MemoryResult res;
        res.error = "cannot read '" + path + "'";
        return res;
    }
    MemoryResult res = memoryFromLogBytes(bytes);
    if (!res) res.error = "'" + path + "': " + res.error;
    return res;
}

}  // namespace vt::sim
