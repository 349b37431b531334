#include "support/LapTestSupport.h"

#include <gtest/gtest.h>

#include "course/LapChoice.h"
#include "logfiles/LogFile.h"

namespace vt::test {

loggen::LoggerMemory openGeneratedLap(TestApp& app, const TempDir& dir, int lap, const loggen::GenOptions& o) {
    const loggen::GenResult r = loggen::generateLog(o);
    EXPECT_TRUE(r) << r.error;
    if (!r) return {};
    const std::string path = dir.file("gen.log");
    EXPECT_EQ(loggen::writeLogFile(*r.memory, path), "");
    std::string error;
    EXPECT_TRUE(log_open_path(app.m, app.f, app.s, path, nullptr, &error)) << error;
    EXPECT_TRUE(choose_lap(app.m, app.f, app.s, lap));
    return *r.memory;
}

}  // namespace vt::test
