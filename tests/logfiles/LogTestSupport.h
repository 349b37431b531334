// Log images made byte by byte for the log-file tests, and the English language table.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"
#include "shell/Startup.h"
#include "support/TestApp.h"

namespace vt::test {

inline void loadEnglish(Module1& m) {
    std::string fail;
    ASSERT_TRUE(lang_load(m, sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
    m.CrLfStr = "\r\n";
}

// A log file's bytes: header, lap table of laps first..last, records.
struct LogImage {
    std::array<uint8_t, 16> header{};
    int first = 1, last = 1;
    std::vector<uint8_t> table;
    std::vector<std::array<uint8_t, 16>> records;

    LogImage(int firstLap, int lastLap, int speedUnit = 0, int tachoPulse = 1) : first(firstLap), last(lastLap) {
        header[0] = static_cast<uint8_t>((lastLap << 1) | speedUnit);
        header[1] = static_cast<uint8_t>(tachoPulse);
        header[11] = static_cast<uint8_t>(firstLap);
        table.assign(static_cast<size_t>(lastLap - firstLap + 1) * 480, 0);
    }
    uint8_t* seg(int lap, int s) {
        return &table[static_cast<size_t>(lap - first) * 480 + static_cast<size_t>(s - 1) * 32];
    }
    void set16(int lap, int s, int byte, int v) {
        seg(lap, s)[byte] = static_cast<uint8_t>(v >> 8);
        seg(lap, s)[byte + 1] = static_cast<uint8_t>(v & 255);
    }
    // One segment summary: time, rpm counts, speed counts, G byte, temperatures, distance pulses.
    void segment(int lap, int s, int time, int rpmLo, int rpmHi, int spdLo, int spdHi, int g, int t1Lo, int t1Hi,
                 int t2Lo, int t2Hi, int pulses) {
        set16(lap, s, 0, time);
        set16(lap, s, 2, rpmLo);
        set16(lap, s, 4, rpmHi);
        set16(lap, s, 6, spdLo);
        set16(lap, s, 8, spdHi);
        seg(lap, s)[11] = static_cast<uint8_t>(g);
        set16(lap, s, 12, t1Lo);
        set16(lap, s, 14, t1Hi);
        set16(lap, s, 16, t2Lo);
        set16(lap, s, 18, t2Hi);
        set16(lap, s, 20, pulses);
    }
    std::array<uint8_t, 16>& addRecord() { return records.emplace_back(); }
    std::string bytes() const {
        std::string out(reinterpret_cast<const char*>(header.data()), 16);
        out.append(reinterpret_cast<const char*>(table.data()), table.size());
        for (const auto& r : records) out.append(reinterpret_cast<const char*>(r.data()), 16);
        return out;
    }
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
    if (!r) return {};
    EXPECT_EQ(loggen::writeLogFile(*r.memory, path), "");
    return *r.memory;
}

// Saves a picture of a window for a person to look at, when VELTRA_SHOT_DIR names a folder.
inline void shot(QWidget& w, const std::string& name) {
    if (const char* dir = std::getenv("VELTRA_SHOT_DIR"))
        w.grab().save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
}

}  // namespace vt::test
