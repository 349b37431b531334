// Logs made in code for the log-file tests (images built byte by byte, generated logs) and a
// fixture holding a fresh program state with the English language table.
#pragma once

#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "logfiles/LapLists.h"
#include "logfiles/ListWindow.h"
#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"
#include "shell/Startup.h"
#include "support/TestApp.h"

namespace vt::test {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// The line of a lap marked deleted.
inline const std::string kDashedLine = "  --   " + std::string(68, ' ');

// A log file's bytes: header and lap table of laps first..last, then 16-byte records.
struct LogImage {
    std::string head, records;
    int first, last;
    LogImage(int firstLap, int lastLap, int speedUnit = 0)
        : head(16 + 480 * static_cast<size_t>(lastLap - firstLap + 1), '\0'), first(firstLap), last(lastLap) {
        head[0] = static_cast<char>((lastLap << 1) | speedUnit);
        head[1] = 1;  // tacho pulse setting 1: rpm = count x 75 / 2
        head[11] = static_cast<char>(firstLap);
    }
    char* seg(int lap, int s) { return &head[static_cast<size_t>(16 + (lap - first) * 480 + (s - 1) * 32)]; }
    void set16(int lap, int s, int byte, int v) {
        seg(lap, s)[byte] = static_cast<char>(v >> 8);
        seg(lap, s)[byte + 1] = static_cast<char>(v);
    }
    // A segment summary: time, rpm lo/hi, speed lo/hi, G (byte 11), temperature 1 lo/hi and 2 lo/hi, pulses.
    void segment(int lap, int s, std::array<int, 11> v) {
        for (size_t i = 0; i < v.size(); ++i) set16(lap, s, static_cast<int>(2 * i), v[i]);
    }
    std::string bytes() const { return head + records; }
};

inline bool readBytes(Module1& m, const std::string& bytes, LoadReport* report = nullptr,
                      std::string* error = nullptr) {
    std::istringstream in(bytes);
    return log_read(m, in, report, error);
}

// A generated log written to `path`.
inline loggen::LoggerMemory generateTo(const std::string& path, loggen::GenOptions o = {}) {
    loggen::GenResult r = loggen::generateLog(o);
    EXPECT_TRUE(r) << r.error;
    if (r) {
        EXPECT_EQ(loggen::writeLogFile(*r.memory, path), "");
    }
    return r ? *r.memory : loggen::LoggerMemory{};
}

// English texts, LogDir in a fresh folder, a list window state.
struct LogTest : ::testing::Test {
    TestApp app{false};
    TempDir dir;
    Form3State st;
    void SetUp() override {
        std::string fail;
        ASSERT_TRUE(lang_load(app.m, sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
        app.m.CrLfStr = "\r\n";
        app.m.LogDir = dir.path();
    }
    void read(const LogImage& img) { ASSERT_TRUE(readBytes(app.m, img.bytes())); }
    // A generated log, written to gen.log and opened.
    loggen::LoggerMemory openGenerated(const loggen::GenOptions& o = {}) {
        loggen::LoggerMemory mem = generateTo(dir.file("gen.log"), o);
        std::string error;
        EXPECT_TRUE(log_open_path(app.m, app.f, app.s, dir.file("gen.log"), nullptr, &error)) << error;
        return mem;
    }
    // Loads the list window in `mode` (0 laps, 1 laps and segments, 2 segment `seg`).
    void build(int mode, int seg = 0) {
        app.m.SelLap = static_cast<int16_t>(mode);
        app.m.SegListNo = static_cast<int16_t>(seg);
        st = Form3State{};
        Form_Load(app.m, app.f, st);
    }
    std::vector<std::string> lines() const { return list_lines(st.Text1); }
    // The last message shown was language text n.
    bool lastMessageIs(int n, MsgIcon icon = MsgIcon::Exclamation) const {
        return !app.ui.messages.empty() && app.ui.messages.back().text == lang(app.m, n) &&
               app.ui.messages.back().icon == icon && app.ui.messages.back().title == lang(app.m, 121);
    }
};

}  // namespace vt::test
