#include "sim/Download.h"

#include <algorithm>
#include <utility>

#include "layout/LogLayout.h"

namespace vt::sim {

namespace {
namespace hdr = layout::header;

const loggen::LapInfo* lapNumbered(const loggen::LoggerMemory& m, int number) {
    for (const loggen::LapInfo& l : m.laps)
        if (l.number == number) return &l;
    return nullptr;
}
}  // namespace

std::optional<LapSpan> lapSpan(const loggen::LoggerMemory& m, int from, int to) {
    if (m.lapFirst > m.lapLast || m.laps.empty()) return std::nullopt;
    // As the terminal orders them: only a given last lap is swapped with the first.
    if (to != 0 && from > to) std::swap(from, to);
    if (to == 0) to = m.lapLast;
    from = std::max(from, m.lapFirst);
    to = std::min(to, m.lapLast);
    if (from > to) return std::nullopt;
    const std::size_t tableEnd = std::size_t(to - m.lapFirst + 1) * layout::kLapPageBytes;
    if (m.lapTable.size() < tableEnd) return std::nullopt;

    const loggen::LapInfo* first = lapNumbered(m, from);
    const loggen::LapInfo* last = lapNumbered(m, to);
    if (first == nullptr || last == nullptr || last->firstRecord < first->firstRecord) return std::nullopt;
    LapSpan s;
    s.first = from;
    s.last = to;
    s.beginRecord = std::size_t(first->firstRecord);
    // The lap's records and the marker after them; a memory without a closing marker ends earlier.
    s.endRecord = std::min(std::size_t(last->firstRecord) + std::size_t(last->recordCount) + 1, m.records.size());
    return s;
}

std::vector<std::uint8_t> rangeFile(const loggen::LoggerMemory& m, int from, int to) {
    const std::optional<LapSpan> s = lapSpan(m, from, to);
    if (!s) return {};
    std::vector<std::uint8_t> out;
    const std::size_t pages = std::size_t(s->last - s->first + 1) * layout::kLapPageBytes;
    out.reserve(layout::kHeaderBytes + pages + (s->endRecord - s->beginRecord) * layout::kRecordBytes);

    out.insert(out.end(), m.header.begin(), m.header.end());
    out[hdr::kLapFirst] = std::uint8_t(s->first);
    out[hdr::kUnitAndLastLap] = std::uint8_t((m.header[hdr::kUnitAndLastLap] & 1) | (s->last << 1));

    const auto page = m.lapTable.begin() + long(std::size_t(s->first - m.lapFirst) * layout::kLapPageBytes);
    out.insert(out.end(), page, page + long(pages));
    for (std::size_t i = s->beginRecord; i < s->endRecord; ++i)
        out.insert(out.end(), m.records[i].begin(), m.records[i].end());
    return out;
}

int lapsOfFile(const std::vector<std::uint8_t>& file) {
    if (file.size() < std::size_t(layout::kHeaderBytes)) return 0;
    const int first = file[hdr::kLapFirst];
    const int last = file[hdr::kUnitAndLastLap] >> 1;
    return std::max(last, first) - first + 1;
}

std::uint8_t blockLayout(std::size_t block, int laps) {
    if (block == 0) return frame::kXHeaderBlock;
    if (block <= std::size_t(laps) * layout::kLapPageBytes / kBlockBytes) return kXTableBlock;
    return frame::kXRecordBlock;
}

unsigned blockCounter(std::size_t block) {
    if (block == 0) return 0;
    return unsigned((block - 1) % 0xFFFF) + 1;
}

frame::Frame downloadFrame(const std::vector<std::uint8_t>& file, std::size_t block, int laps) {
    frame::Frame f{};
    const std::uint8_t layoutByte = blockLayout(block, laps);
    f[frame::kXLayout] = layoutByte;
    layout::putWord(&f[frame::kXCounter], long(blockCounter(block)));
    const std::size_t from = block * kBlockBytes;
    const std::size_t n = from < file.size() ? std::min(kBlockBytes, file.size() - from) : 0;
    std::copy_n(file.begin() + long(from), n, f.begin() + frame::xDataAt(layoutByte));
    frame::seal(f, frame::kDownload);
    return f;
}

frame::Frame downloadEndFrame() {
    frame::Frame f{};
    frame::seal(f, frame::kDownloadEnd);
    return f;
}

}  // namespace vt::sim
