#include "course/CourseFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include <QDateTime>
#include <QFileInfo>

#include "course/CourseLayout.h"
#include "course/CourseList.h"
#include "course/DemoCourse.h"
#include "display/Graphs.h"
#include "layout/LogLayout.h"
#include "logdata/Conversions.h"
#include "logfiles/FileDialogs.h"
#include "logfiles/LogFile.h"
#include "platform/NumText.h"
#include "platform/WholeFile.h"

namespace vt {

namespace {

namespace hdr = layout::header;

constexpr int kNoCourse = 130;
constexpr int kCourseLoaded = 135;
constexpr int kCourseSaved = 134;

// Presence word, length and letter of entry e of a page of 15 entries laid out as in a file.
int entryWord(const std::string& bytes, int e, int at) {
    const size_t p = static_cast<size_t>(layout::kHeaderBytes + (e - 1) * layout::kSegmentBytes + at);
    return static_cast<uint8_t>(bytes[p]) * 256 + static_cast<uint8_t>(bytes[p + 1]);
}

bool isDirection(uint8_t letter) { return letter == 'S' || letter == 'L' || letter == 'R'; }

// The labels a course replaces: the segment and lap of the last lap chosen.
void clearLapLabels(MainformState& f) {
    for (Control* c : {&f.seg_d, &f.SEG_TIME, &f.lap_time, &f.lap_no}) c->setCaption("");
}

}  // namespace

bool course_file_bytes(const Module1& m, std::string& out, std::string* error) {
    if (m.LapCur < 0 || m.LapCur > kMaxLap) {
        if (error) *error = "no segment page " + std::to_string(m.LapCur) + " in the image";
        return false;
    }
    if (m.RecPtr < 0 || m.RecCount < 0 || m.RecPtr + m.RecCount > kMaxRecord) {
        if (error)
            *error = "records " + std::to_string(m.RecPtr) + ".." + std::to_string(m.RecPtr + m.RecCount) +
                     " are not all in the image";
        return false;
    }
    uint8_t h[layout::kHeaderBytes] = {};
    h[hdr::kUnitAndLastLap] = m.SpeedUnit != 0 ? 1 : 0;
    h[hdr::kTachoAndCourse] = static_cast<uint8_t>((m.HdrHigh1 * 16 + m.TachoPulse) & 0xFF);
    layout::putWord(&h[hdr::kRpmMax], m.RpmMax);
    h[hdr::kPrsRange] = static_cast<uint8_t>(m.PrsRange);
    h[hdr::kCarAndMemory] = static_cast<uint8_t>(m.CarType & 15);
    layout::putWord(&h[hdr::kAFMode], m.AFMode);
    layout::putWord(&h[hdr::kInG], m.HdrWord8);
    h[hdr::kOutG] = static_cast<uint8_t>(m.HdrByte10);
    layout::putWord(&h[hdr::kTemp1Max], m.Temp1Max);
    layout::putWord(&h[hdr::kTemp2Max], m.Temp2Max);

    out.clear();
    out.reserve(kCourseFileMinBytes + layout::kRecordBytes * static_cast<size_t>(m.RecCount + 1));
    out.append(reinterpret_cast<const char*>(h), sizeof h);
    const auto& page = m.LapTbl[static_cast<size_t>(m.LapCur)];
    for (int e = 1; e <= layout::kSegmentsPerLap; ++e)
        out.append(reinterpret_cast<const char*>(page[static_cast<size_t>(e)].data()), layout::kSegmentBytes);
    for (int32_t i = 0; i <= m.RecCount; ++i)
        out.append(reinterpret_cast<const char*>(m.LogMem[static_cast<size_t>(m.RecPtr + i)].data()),
                   layout::kRecordBytes);
    return true;
}

bool course_write(const Module1& m, const std::string& path, std::string* error) {
    std::string bytes;
    if (!course_file_bytes(m, bytes, error)) return false;
    return write_whole_file(path, bytes, error);
}

std::string course_check(const std::string& bytes, bool* isLog) {
    if (isLog) *isLog = false;
    const size_t size = bytes.size();
    if (size < static_cast<size_t>(kCourseFileMinBytes))
        return "not a whole course file: " + std::to_string(size) +
               " bytes, shorter than its header and segment page (" + std::to_string(kCourseFileMinBytes) + " bytes)";
    const auto byte = [&bytes](int i) { return static_cast<uint8_t>(bytes[static_cast<size_t>(i)]); };
    const int lapFirst = byte(hdr::kLapFirst);
    const int lapLast = std::max(lapFirst, byte(hdr::kUnitAndLastLap) >> 1);
    if (lapLast != lapFirst) {
        if (isLog) *isLog = true;
        return "a log of laps " + std::to_string(lapFirst) + ".." + std::to_string(lapLast) + ", not a course";
    }
    if (lapFirst > kMaxLap) return "its page is numbered " + std::to_string(lapFirst) + " (0..100 only)";
    const size_t rest = (size - kCourseFileMinBytes) % layout::kRecordBytes;
    if (rest != 0)
        return "not a whole course file: its last record has " + std::to_string(rest) + " of " +
               std::to_string(layout::kRecordBytes) + " bytes";
    if (entryWord(bytes, 1, layout::seg::kTime) == 0) return "its segment list is empty";
    for (int e = 1; e <= layout::kSegmentsPerLap && entryWord(bytes, e, layout::seg::kTime) != 0; ++e) {
        const uint8_t letter = byte(layout::kHeaderBytes + (e - 1) * layout::kSegmentBytes + layout::seg::kShape);
        if (!isDirection(letter))
            return "segment " + std::to_string(e) + " has no direction letter (S, L or R): not a course";
        if (entryWord(bytes, e, layout::seg::kPulses) == 0) return "segment " + std::to_string(e) + " has no length";
    }
    return {};
}

std::string seg_text(const Module1& m, uint8_t letter, int pulses) {
    float length = static_cast<float>(pulses);
    Kyori_conv(m, length);  // 0.1 m
    const double metres = Int(static_cast<double>(length / 10.0f + 0.5f));
    return std::string(1, static_cast<char>(letter)) + Trim(Str(static_cast<long long>(metres)));
}

void seg_text_build(Module1& m, MainformState& f, EventPump& pump) {
    const auto& page = m.LapTbl[static_cast<size_t>(std::clamp<int>(m.LapCur, 0, kMaxLap))];
    int e = 1;
    for (; e <= layout::kSegmentsPerLap; ++e) {
        pump.processEvents();
        const auto& entry = page[static_cast<size_t>(e)];
        if (layout::word(&entry[layout::seg::kTime]) == 0) break;
        f.seg_str[static_cast<size_t>(e)] =
            seg_text(m, entry[layout::seg::kShape], layout::word(&entry[layout::seg::kPulses]));
    }
    f.seg_str[static_cast<size_t>(e)].clear();
}

bool corse_open_path(Module1& m, MainformState& f, Services& s, const std::string& path) {
    // The whole file is checked before anything is loaded, so a file that is no course (or only
    // part of one) leaves the image and the window as they were.
    std::ifstream in(path, std::ios::binary);
    const int openError = errno;
    const QFileInfo info(QString::fromStdString(path));
    if (!in || info.isDir()) {
        s.ui.msg(path + ": " + (info.isDir() ? std::string("is a folder") : std::string(std::strerror(openError))),
                 MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        m.DataFileNo = 0;
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bool isLog = false;
    const std::string wrong = course_check(bytes, &isLog);
    if (isLog) {
        s.ui.msg(lang(m, kNoCourse), MsgIcon::Exclamation, "");
        return false;
    }
    if (!wrong.empty()) {
        s.ui.msg(path + ": " + wrong, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        return false;
    }
    std::istringstream file(bytes);
    LoadReport report;
    std::string error;
    if (!log_read(m, file, &report, &error)) {
        s.ui.msg(path + ": " + error, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        return false;
    }
    m.LapLast = 0;
    f.Label1.setCaption(lang(m, kCourseLoaded) + Str(m.RecCount));

    // The distance per pulse the course was driven with, from its first record.
    if (m.LogMem[0][layout::rec::kMmPerPulse] < 128) store16(m.MmPerPulse, recWord(m, 0, layout::rec::kMmPerPulse));
    if (m.MmPerPulse > 999 || m.MmPerPulse < 100) m.MmPerPulse = 500;
    if (m.RecCount <= 0) return true;

    f.namae.setCaption(log_title(path));
    f.hiniti.setCaption(info.lastModified().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")).toStdString());
    m.CourseMmPerPulse = m.MmPerPulse;
    const int32_t records = m.RecCount;
    m.RecCount = 0;
    grf_2_Click(m, f, s.pump);
    seg_text_build(m, f, s.pump);
    m.RecCount = records;
    Corse_layout(m, f, s.pump, m.CourseLen);
    if (m.CourseLen != 0) f.XScale = graphScale(m.CourseLen);
    m.RecCount = 0;
    m.MmPerPulse = 0;
    clearLapLabels(f);
    grf_refresh(m, f);
    f.Corse_trans.setEnabled(true);
    return true;
}

void Corse_in_Click(Module1& m, MainformState& f, Services& s) {
    m.LogFileName = m.CorseDir;
    if (f.windows.File_Form)
        f.windows.File_Form();
    else
        m.LogFileName.clear();
    if (m.LogFileName.empty()) return;
    corse_open_path(m, f, s, m.LogFileName);
}

int free_course_length(const Module1& m, const std::string& answer) {
    double v = Val(answer);
    if (m.SpeedUnit != 0) v *= layout::kMetresPerMile;
    const double metres = Int(std::fabs(v));
    return metres >= 400 && metres <= 10000 ? static_cast<int>(metres) : 0;
}

void free_course(Module1& m, MainformState& f, Services& s, int metres) {
    m.CourseLen = static_cast<int16_t>(std::clamp(metres, 400, 10000));
    m.RecCount = 0;
    m.RecPtr = 0;
    m.LapFirst = m.LapLast = m.LapCur = 0;
    for (int e = 1; e <= layout::kSegmentsPerLap; ++e) {
        m.LapTbl[0][static_cast<size_t>(e)][0] = 0;
        m.LapTbl[0][static_cast<size_t>(e)][1] = 0;
    }
    demo_course(m, f, s);
    grf_refresh(m, f);
    clearLapLabels(f);
    const CalendarDate today = s.clock.now();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", today.year, today.month, today.day);
    f.hiniti.setCaption(std::string(buf) + "  ");
    f.Label1.setCaption("");
}

void Free_In_Click(Module1& m, MainformState& f, Services& s) {
    const bool miles = m.SpeedUnit != 0;
    for (;;) {
        const std::string answer = s.ui.inputBox(lang(m, miles ? 196 : 172), lang(m, 171), miles ? "1" : "1000");
        if (answer.empty()) return;
        const int metres = free_course_length(m, answer);
        if (metres != 0) {
            free_course(m, f, s, metres);
            return;
        }
        s.ui.beep();
    }
}

bool corse_save(Module1& m, MainformState& f, Services& s) {
    m.LogFileName = m.CorseDir;
    std::string name;
    for (;;) {
        name = s.ui.inputBox(lang(m, 132), lang(m, 133), "");
        if (name.empty()) return false;
        // The name must stay a plain name in the course folder.
        if (name_is_allowed(name)) break;
        s.ui.msg(lang(m, text::kBadName), MsgIcon::Exclamation, lang(m, text::kErrorTitle));
    }
    const std::string path = m.LogFileName + "/" + name + ".dat";
    std::string error;
    if (!course_write(m, path, &error)) {
        s.ui.msg(path + ": " + error, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        return false;
    }
    m.DataFileNo = 0;
    s.ui.beep();
    f.Label1.setCaption(lang(m, kCourseSaved) + Str(m.RecCount - 1));
    return true;
}

}  // namespace vt
