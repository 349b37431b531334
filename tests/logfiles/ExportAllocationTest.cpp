// The text export's per-record path allocates nothing: the allocations of an export grow with
// its laps, not with its records.
#include <atomic>
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

#include "LogTestSupport.h"
#include "logfiles/ListWindow.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t n) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

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
    allocations = 0;
    counting = true;
    const bool ok = text_export(app.m, app.f, st, app.s, dir.file("a.txt"), &lines, &error);
    counting = false;
    ASSERT_TRUE(ok) << error;
    ASSERT_GT(lines, 2000);
    // A few for the file and each lap's status text; none per record.
    EXPECT_LT(allocations.load(), 40 + 10 * o.laps) << lines << " lines";
}

}  // namespace
}  // namespace vt::test
