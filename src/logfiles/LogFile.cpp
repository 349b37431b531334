#include "logfiles/LogFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include <QDateTime>
#include <QFileInfo>

#include "layout/FrameLayout.h"
#include "layout/LogLayout.h"
#include "logdata/Decode.h"
#include "platform/Clock.h"
#include "platform/WholeFile.h"

namespace vt {

namespace {

using layout::kHeaderBytes;
using layout::kLapPageBytes;
using layout::kMaxLapInHeader;
using layout::kRecordBytes;
using layout::kSegmentBytes;

// Reads up to n bytes, across short reads; returns how many arrived.
size_t readFully(std::istream& in, char* dst, size_t n) {
    size_t got = 0;
    while (got < n && in) {
        in.read(dst + got, static_cast<std::streamsize>(n - got));
        if (in.gcount() <= 0) break;
        got += static_cast<size_t>(in.gcount());
    }
    return got;
}

}  // namespace

std::string LoadReport::note() const {
    std::string s;
    auto add = [&s](const std::string& part) {
        if (!s.empty()) s += "; ";
        s += part;
    };
    auto count = [](long n, const char* one, const char* many) { return std::to_string(n) + (n == 1 ? one : many); };
    if (lapsLeftOut > 0) add(count(lapsLeftOut, " lap", " laps") + " above lap 100 left out");
    if (recordsLeftOut > 0) add(count(recordsLeftOut, " record", " records") + " after the 65000th left out");
    if (partialBytes > 0) add(count(partialBytes, " byte", " bytes") + " after the last whole record ignored");
    if (records == 0) add("no sample records");
    return s;
}

bool log_read(Module1& m, std::istream& in, LoadReport* report, std::string* error) {
    LoadReport local;
    LoadReport& r = report ? *report : local;
    r = LoadReport{};

    char header[kHeaderBytes];
    const size_t headerGot = readFully(in, header, sizeof header);
    if (headerGot < sizeof header) {
        if (error) *error = "not a log file: " + std::to_string(headerGot) + " bytes, shorter than the 16-byte header";
        return false;
    }
    const auto* h = reinterpret_cast<const uint8_t*>(header);
    const int lapFirst = h[layout::header::kLapFirst];
    const int lapLast = std::max(lapFirst, h[layout::header::kUnitAndLastLap] >> 1);
    if (lapFirst > kMaxLap) {
        if (error)
            *error =
                "not a log the terminal can hold: its first lap is " + std::to_string(lapFirst) + " (laps 0..100 only)";
        return false;
    }

    // The lap table is read whole before anything is kept, so a short one leaves the image as it was.
    static_assert(kMaxLapInHeader >= kMaxLap);
    std::vector<char> table(static_cast<size_t>(lapLast - lapFirst + 1) * kLapPageBytes);
    const size_t tableGot = readFully(in, table.data(), table.size());
    if (tableGot < table.size()) {
        if (error)
            *error = "not a whole log: the file ends inside its lap table (laps " + std::to_string(lapFirst) + ".." +
                     std::to_string(lapLast) + " need " + std::to_string(table.size()) + " bytes, " +
                     std::to_string(tableGot) + " found)";
        return false;
    }

    std::memcpy(&m.RawRec[frame::kHeader], header, kHeaderBytes);
    m.RawRec[frame::kMmPerPulse] = 0;
    m.RawRec[frame::kMmPerPulse + 1] = 0;
    header_decode(m);
    m.LapFirst = static_cast<int16_t>(lapFirst);
    m.LapLast = static_cast<int16_t>(std::min(lapLast, kMaxLap));
    r.lapsLeftOut = lapLast - m.LapLast;
    for (int lap = lapFirst; lap <= m.LapLast; ++lap) {
        const char* page = table.data() + static_cast<size_t>(lap - lapFirst) * kLapPageBytes;
        for (int seg = 1; seg <= layout::kSegmentsPerLap; ++seg)
            std::memcpy(m.LapTbl[static_cast<size_t>(lap)][static_cast<size_t>(seg)].data(),
                        page + (seg - 1) * kSegmentBytes, kSegmentBytes);
    }
    m.LapCur = m.LapFirst;

    // Records to the end of the file, read straight into the image (its slots are the
    // records' 16 bytes, back to back). Records 0..64999 fit; slot 65000 is kept for the end
    // marker.
    static_assert(sizeof(m.LogMem[0]) == kRecordBytes && sizeof(m.LogMem) == kRecordBytes * (kMaxRecord + 1),
                  "the image is one block of 16-byte records");
    auto* const image = reinterpret_cast<char*>(m.LogMem.data());
    in.read(image, static_cast<std::streamsize>(static_cast<size_t>(kMaxRecord) * kRecordBytes));
    const size_t got = in.gcount() > 0 ? static_cast<size_t>(in.gcount()) : 0;
    int32_t n = static_cast<int32_t>(got / kRecordBytes);
    size_t carry = got - static_cast<size_t>(n) * kRecordBytes;
    uint8_t partial[kRecordBytes] = {};
    std::memcpy(partial, image + static_cast<size_t>(n) * kRecordBytes, carry);
    const bool atEnd = got < static_cast<size_t>(kMaxRecord) * kRecordBytes || !in;
    if (!atEnd) {
        // The image is full: count what the file holds beyond it.
        constexpr size_t kRest = 1 << 16;
        std::unique_ptr<char[]> rest(new char[kRest]);
        size_t restBytes = 0;
        while (in) {
            in.read(rest.get(), static_cast<std::streamsize>(kRest));
            restBytes += in.gcount() > 0 ? static_cast<size_t>(in.gcount()) : 0;
        }
        r.recordsLeftOut = static_cast<int32_t>(restBytes / kRecordBytes);
        carry = restBytes % kRecordBytes;
        if (r.recordsLeftOut > 0) carry = 0;  // not the bytes of the end slot
    }
    // The slot of the read that found no whole record is the end slot.
    auto& end = m.LogMem[static_cast<size_t>(n)];
    std::memset(end.data(), 0, end.size());
    if (carry > 0 && r.recordsLeftOut == 0 && atEnd) std::memcpy(end.data(), partial, carry);
    end[layout::rec::kKind] = layout::kLapMarker;
    r.partialBytes = static_cast<int>(carry > 0 ? carry : 0);
    r.records = n;
    m.RecCount = n;
    m.RecPtr = 0;
    m.DataFileNo = 0;
    return true;
}

std::string log_title(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
}

std::string text_file_name(const std::string& path, bool* adjusted) {
    if (adjusted) *adjusted = false;
    if (path.empty()) return {};
    const size_t slash = path.find_last_of('/');
    const size_t nameLength = slash == std::string::npos ? path.size() : path.size() - slash - 1;
    // The last three characters are replaced only inside the file's own name (a shorter name
    // would reach into the folder's) and only when that does not give the log's own name.
    if (nameLength > 3) {
        std::string usual = path.substr(0, path.size() - 3) + "txt";
        if (usual != path) return usual;
    }
    if (adjusted) *adjusted = true;
    return path + ".txt";
}

bool log_read_path(Module1& m, const std::string& path, LoadReport* report, std::string* error) {
    if (QFileInfo(QString::fromStdString(path)).isDir()) {
        if (error) *error = "is a folder, not a log file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    if (!log_read(m, in, report, error)) return false;
    m.RecLast = m.RecCount - 1;
    m.RecCount = 0;
    return true;
}

bool log_open_path(Module1& m, MainformState& f, Services& s, const std::string& path, LoadReport* report,
                   std::string* error) {
    if (!log_read_path(m, path, report, error)) return false;
    m.LogFileName = path;
    m.TextFileName = text_file_name(path);
    f.namae.setCaption(log_title(path));
    const QFileInfo info(QString::fromStdString(path));
    f.hiniti.setCaption(info.lastModified().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")).toStdString());
    s.ui.beep();
    return true;
}

bool log_write(const Module1& m, const std::string& path, std::string* error) {
    const int lapLast = std::min<int>(m.LapLast, kMaxLap);
    const int32_t recLast = std::min<int32_t>(m.RecLast, kMaxRecord);
    std::string bytes;
    bytes.reserve(kHeaderBytes + kLapPageBytes * static_cast<size_t>(std::max(0, lapLast - m.LapFirst + 1)) +
                  kRecordBytes * static_cast<size_t>(std::max(0, recLast + 1)));
    const uint8_t* header = &m.HdrCopy[frame::kHeader];
    bytes.append(reinterpret_cast<const char*>(header), kHeaderBytes);
    if ((header[layout::header::kUnitAndLastLap] >> 1) > lapLast &&
        lapLast >= m.LapFirst)  // laps above 100 were not kept
        bytes[layout::header::kUnitAndLastLap] =
            static_cast<char>((header[layout::header::kUnitAndLastLap] & 1) | (lapLast << 1));
    for (int lap = std::max<int>(m.LapFirst, 0); lap <= lapLast; ++lap)
        for (int seg = 1; seg <= layout::kSegmentsPerLap; ++seg)
            bytes.append(
                reinterpret_cast<const char*>(m.LapTbl[static_cast<size_t>(lap)][static_cast<size_t>(seg)].data()),
                kSegmentBytes);
    for (int32_t n = 0; n <= recLast; ++n)
        bytes.append(reinterpret_cast<const char*>(m.LogMem[static_cast<size_t>(n)].data()), kRecordBytes);
    return write_whole_file(path, bytes, error);
}

// ---- menu entries ----------------------------------------------------------------------

void log_open_begin(Module1& m) { m.LogFileName = m.LogDir; }

bool log_open_load(Module1& m, MainformState& f, Services& s, LoadReport* report) {
    if (m.LogFileName.empty()) return false;
    f.Label1.setCaption(lang(m, 169));
    Pause(s.clock, s.pump, 1.0f);
    LoadReport local;
    LoadReport& r = report ? *report : local;
    std::string error;
    const std::string path = m.LogFileName;
    if (!log_open_path(m, f, s, path, &r, &error)) {
        s.ui.msg(path + ": " + error, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        m.DataFileNo = 0;
        m.LogFileName.clear();
        f.Label1.setCaption("");
        return false;
    }
    const std::string note = r.note();
    f.Label1.setCaption(note.empty() ? lang(m, text::kLogLoaded) : lang(m, text::kLogLoaded) + " (" + note + ")");
    return true;
}

void MOpenLog_Click(Module1& m, MainformState& f, Services& s, const std::function<void()>& showChooser) {
    log_open_begin(m);
    if (showChooser) showChooser();
    if (!log_open_load(m, f, s)) return;
    if (m.LogFileName.empty()) return;
    s.ui.beep();
    s.ui.msg(lang(m, 166), MsgIcon::Exclamation, lang(m, 167));
}

void MCloseLog_Click(Module1& m, Services& s) {
    s.pump.processEvents();
    s.ui.fileManager(lang(m, 160), lang(m, 161) + "(*.LOG;*.DAT)|*.log;*.dat");
}

}  // namespace vt
