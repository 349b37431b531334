// The text export's per-record path allocates nothing: the allocations of an export grow with
// its laps, not with its records.
#include <gtest/gtest.h>

#include "LogTestSupport.h"
#include "logfiles/ListWindow.h"
#include "support/Allocations.h"

namespace vt::test {
namespace {

TEST(ExportAllocations, DoNotGrowWithTheRecords) {
    TestApp app;
    TempDir dir;
    loggen::GenOptions o;
    o.laps = 4;
    loggen::LoggerMemory mem = generateTo(dir.file("a.log"), o);
    std::string error;
    ASSERT_TRUE(log_open_path(app.m, app.f, app.s, dir.file("a.log"), nullptr, &error)) << error;
    Form3State st;
    int64_t lines = 0;
    const std::size_t before = allocationCount();
    const bool ok = text_export(app.m, app.f, st, app.s, dir.file("a.txt"), &lines, &error);
    const std::size_t allocations = allocationCount() - before;
    ASSERT_TRUE(ok) << error;
    ASSERT_GT(lines, 2000);
    // A few for the file and each lap's status text; none per record.
    EXPECT_LT(allocations, 40u + 10u * o.laps) << lines << " lines";
}

}  // namespace
}  // namespace vt::test
