// Helpers of the course data and course editor tests: a program state with the English texts and
// its folders in a fresh temporary folder, pages and laps written into the image, and generated
// logs loaded and chosen as the terminal does.
#pragma once

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "course/CourseEdit.h"
#include "course/CourseFile.h"
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
        for (int e = 1; e <= 16; ++e) p[static_cast<size_t>(e)] = {};
        for (size_t i = 0; i < segs.size(); ++i) {
            auto& entry = p[i + 1];
            entry[1] = 1;
            layout::putWord(&entry[layout::seg::kPulses], segs[i].pulses);
            entry[layout::seg::kShape] = static_cast<uint8_t>(segs[i].letter);
        }
    }

    // The segments of page `lap` up to the first empty entry.
    std::vector<std::pair<char, int>> segments(int lap = 0) const {
        std::vector<std::pair<char, int>> out;
        for (int e = 1; e <= 15 && lapWord(m, lap, e, 0) != 0; ++e)
            out.emplace_back(static_cast<char>(m.LapTbl[static_cast<size_t>(lap)][static_cast<size_t>(e)][27]),
                             lapWord(m, lap, e, 20));
        return out;
    }

    // A generated log read into the image and lap `lap` chosen in the lap list.
    loggen::LoggerMemory chooseGenerated(const loggen::GenOptions& o, int lap) {
        const loggen::GenResult gen = loggen::generateLog(o);
        EXPECT_TRUE(gen) << gen.error;
        if (!gen) return {};
        const std::vector<std::uint8_t> bytes = gen.memory->fileBytes();
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        EXPECT_TRUE(log_read(m, in, nullptr, nullptr));
        EXPECT_TRUE(choose_lap(m, f, app.s, lap));
        return *gen.memory;
    }

    // The messages shown so far, for failure output.
    std::string messages() const {
        std::string out;
        for (const auto& shown : app.ui.messages) out += "[" + shown.text + "] ";
        return out;
    }
};

}  // namespace vt::test
