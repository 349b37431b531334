// Helpers of the course tests: laps written straight into the image and the course points they
// lay out, a program state with the English texts and its folders in a temporary folder, segment
// pages, and generated logs loaded and a lap chosen as the terminal does.
#pragma once

#include <cmath>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "course/CourseEdit.h"
#include "course/CourseFile.h"
#include "course/CourseLayout.h"
#include "course/LapChoice.h"
#include "layout/LogLayout.h"
#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "support/TestApp.h"

namespace vt::test {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using Op = RecordingCanvas::Op;

struct Pt {
    int x, y;
};
// The stored course points of the last layout.
inline std::vector<Pt> coursePoints(const MainformState& f) {
    std::vector<Pt> pts;
    for (size_t i = 0; i < static_cast<size_t>(std::min<int>(f.course_pts, kMaxCoursePoint + 1)); ++i)
        pts.push_back({f.course_x[i], f.course_y[i]});
    return pts;
}

// Distance from the last point back to the first, in units of the mean point spacing.
inline double closingGap(const std::vector<Pt>& pts) {
    double along = 0;
    for (size_t i = 1; i < pts.size(); ++i) along += std::hypot(pts[i].x - pts[i - 1].x, pts[i].y - pts[i - 1].y);
    return std::hypot(pts.back().x - pts.front().x, pts.back().y - pts.front().y) * (pts.size() - 1) / along;
}

// A lap written into the image from record 0 with MmPerPulse 200; speed count 101 is 72 km/h,
// 1.99944 m per record.
struct SyntheticLap : TestApp {
    int n = 0;
    explicit SyntheticLap(int carType = 0, const char* avr = "OFF") {
        m.MmPerPulse = 200;
        m.CarType = static_cast<int16_t>(carType);
        f.CHK_AVR.Caption = avr;
    }
    SyntheticLap& samples(int count, int g, int speedCount = 101) {  // lateral G byte, speed count
        for (int i = 0; i < count; ++i)
            m.LogMem[static_cast<size_t>(n++)] = {
                uint8_t(int8_t(g)), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(speedCount >> 8), uint8_t(speedCount)};
        return *this;
    }
    SyntheticLap& marker(int kind = 254) {  // 255 lap, 254 segment
        (m.LogMem[static_cast<size_t>(n++)] = {})[6] = static_cast<uint8_t>(kind);
        return *this;
    }
    std::vector<Pt> layOut(int16_t length = 1000) {
        m.RecCount = n - m.RecPtr;
        Corse_layout(m, f, pump, length);
        return coursePoints(f);
    }
    RecordingCanvas& pic() { return static_cast<RecordingCanvas&>(*f.Picture1); }
    std::vector<Op> ops(Op::Kind kind) {
        std::vector<Op> out;
        for (const Op& op : pic().ops)
            if (op.kind == kind) out.push_back(op);
        return out;
    }
    std::string texts() {  // all texts printed, joined by |
        std::string out;
        for (const Op& op : ops(Op::Text)) out += (out.empty() ? "" : "|") + op.text;
        return out;
    }
};

// A generated log read into `app` and lap `lap` chosen in the lap list.
inline void chooseGenerated(TestApp& app, const loggen::LoggerMemory& mem, int lap) {
    const std::vector<std::uint8_t> bytes = mem.fileBytes();
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    app.f.CHK_AVR.Caption = "OFF";  // as the terminal starts
    ASSERT_TRUE(log_read(app.m, in, nullptr, nullptr));
    ASSERT_TRUE(choose_lap(app.m, app.f, app.s, lap));
}
inline loggen::LoggerMemory generated(const loggen::GenOptions& o) {
    const loggen::GenResult gen = loggen::generateLog(o);
    EXPECT_TRUE(gen) << gen.error;
    return gen ? *gen.memory : loggen::LoggerMemory{};
}
inline std::string trackFile(const std::string& track) { return sourceDir() + "/data/tracks/" + track + ".csv"; }

// The segments of page `lap` up to the first empty entry: letter and pulses.
inline std::vector<std::pair<char, int>> segmentsOf(const Module1& m, int lap = 0) {
    std::vector<std::pair<char, int>> out;
    for (int e = 1; e <= 15 && lapWord(m, lap, e, 0) != 0; ++e)
        out.emplace_back(static_cast<char>(m.LapTbl[static_cast<size_t>(lap)][static_cast<size_t>(e)][27]),
                         lapWord(m, lap, e, 20));
    return out;
}

struct Seg {
    char letter;
    int pulses;
};

struct CourseData : ::testing::Test {
    TempDir dir;
    TestApp app;
    Module1& m = app.m;
    MainformState& f = app.f;

    void SetUp() override {
        std::string fail;
        ASSERT_TRUE(lang_load(m, sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
        set_folders(m, dir.path());
        ASSERT_TRUE(makeFolder(m.CorseDir));
        ASSERT_TRUE(makeFolder(m.ParaDir));
        f.CHK_AVR.Caption = "OFF";
    }
    // Page `lap` with the segments given (presence word 1), the entries after them empty.
    void page(int lap, const std::vector<Seg>& segs) {
        auto& p = m.LapTbl[static_cast<size_t>(lap)];
        for (size_t e = 1; e <= 16; ++e) p[e] = {};
        for (size_t i = 0; i < segs.size(); ++i) {
            p[i + 1][1] = 1;
            layout::putWord(&p[i + 1][layout::seg::kPulses], segs[i].pulses);
            p[i + 1][layout::seg::kShape] = static_cast<uint8_t>(segs[i].letter);
        }
    }
    std::vector<std::pair<char, int>> segments(int lap = 0) const { return segmentsOf(m, lap); }
    // A course file read as the course menu loads it, into a fresh program state.
    void readBack(TestApp& back, const std::string& path) {
        back.m.LangText = m.LangText;
        back.f.CHK_AVR.Caption = "OFF";
        ASSERT_TRUE(corse_open_path(back.m, back.f, back.s, path));
    }
};

}  // namespace vt::test
