#include "logfiles/LogFile.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include <QDateTime>
#include <QFileInfo>
#include <QSaveFile>

#include "logdata/Decode.h"

namespace vt {

std::string LoadReport::note() const {
    std::string s;
    auto add = [&s](const std::string& part) {
        if (!s.empty()) s += "; ";
        s += part;
    };
    if (lapTableShort) add("the file ends inside its lap table");
    if (lapsLeftOut > 0) add(std::to_string(lapsLeftOut) + " laps above lap 100 left out");
    if (recordsLeftOut > 0) add(std::to_string(recordsLeftOut) + " records past the 65000th left out");
    return s;
}

namespace {

// Reads up to n bytes; the rest of dst is zero, as reads past the end give zero bytes.
size_t readSome(std::istream& in, uint8_t* dst, size_t n) {
    std::memset(dst, 0, n);
    in.read(reinterpret_cast<char*>(dst), static_cast<std::streamsize>(n));
    return static_cast<size_t>(in.gcount());
}

}  // namespace

bool log_read(Module1& m, std::istream& in, LoadReport* report, std::string* error) {
    LoadReport local;
    LoadReport& r = report ? *report : local;
    r = LoadReport{};

    uint8_t header[16];
    if (readSome(in, header, 16) < 16) {
        if (error) *error = "not a log file: shorter than its 16-byte header";
        return false;
    }
    int lapFirst = header[11];
    int lapLast = std::max(lapFirst, header[0] >> 1);
    if (lapFirst > kMaxLap) {
        if (error) *error = "laps " + std::to_string(lapFirst) + " and above cannot be held (laps 0..100)";
        return false;
    }

    std::memcpy(&m.RawRec[5], header, 16);
    m.RawRec[3] = 0;
    m.RawRec[4] = 0;
    header_decode(m);
    m.LapFirst = static_cast<int16_t>(lapFirst);
    m.LapLast = static_cast<int16_t>(std::min(lapLast, kMaxLap));
    r.lapsLeftOut = lapLast - m.LapLast;

    for (int lap = lapFirst; lap <= lapLast; ++lap) {
        uint8_t page[480];
        size_t got = readSome(in, page, sizeof page);
        if (got < sizeof page) r.lapTableShort = true;
        if (lap > kMaxLap) continue;  // read past, not kept
        for (int seg = 1; seg <= 15; ++seg)
            std::memcpy(m.LapTbl[static_cast<size_t>(lap)][static_cast<size_t>(seg)].data(), page + (seg - 1) * 32, 32);
    }
    m.LapCur = m.LapFirst;

    // Records to the end of the file; the slot after the last whole record is the end slot.
    int32_t n = 0;
    for (;;) {
        uint8_t rec[16];
        size_t got = readSome(in, rec, 16);
        if (n >= kMaxRecord) {
            // No room: count what is left out and keep the last slot for the end marker.
            if (got == 16) {
                ++r.recordsLeftOut;
                continue;
            }
            break;
        }
        std::memcpy(m.LogMem[static_cast<size_t>(n)].data(), rec, 16);
        if (got < 16) {
            r.partialRecord = got > 0;
            break;
        }
        ++n;
    }
    m.LogMem[static_cast<size_t>(n)][6] = 255;
    m.RecCount = n;
    m.RecPtr = 0;
    m.DataFileNo = 0;
    r.records = n;
    return true;
}

std::string log_title(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
}

std::string text_file_name(const std::string& path) {
    if (path.size() < 3) return "txt";
    return path.substr(0, path.size() - 3) + "txt";
}

bool log_open_path(Module1& m, MainformState& f, Services& s, const std::string& path, LoadReport* report,
                   std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!log_read(m, in, report, error)) return false;
    m.LogFileName = path;
    m.TextFileName = text_file_name(path);
    f.namae.setCaption(log_title(path));
    QDateTime changed = QFileInfo(QString::fromStdString(path)).lastModified();
    f.hiniti.setCaption(changed.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")).toStdString());
    s.ui.beep();
    m.RecLast = m.RecCount - 1;
    m.RecCount = 0;
    return true;
}

bool log_write(const Module1& m, const std::string& path, std::string* error) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString().toStdString();
        return false;
    }
    std::string bytes;
    bytes.reserve(16 + 480 * static_cast<size_t>(m.LapLast - m.LapFirst + 1) + 16 * static_cast<size_t>(m.RecLast + 1));
    bytes.append(reinterpret_cast<const char*>(&m.HdrCopy[5]), 16);
    for (int lap = m.LapFirst; lap <= m.LapLast && lap <= kMaxLap; ++lap)
        for (int seg = 1; seg <= 15; ++seg)
            bytes.append(reinterpret_cast<const char*>(m.LapTbl[static_cast<size_t>(lap)][static_cast<size_t>(seg)].data()), 32);
    for (int32_t n = 0; n <= m.RecLast && n <= kMaxRecord; ++n)
        bytes.append(reinterpret_cast<const char*>(m.LogMem[static_cast<size_t>(n)].data()), 16);
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !file.commit()) {
        if (error) *error = file.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace vt
