// Every input that ever crashed or hung a fuzz target is kept under regressions/<target>/ and
// replayed here through the target's entry function, in the ordinary build; a few built-in
// inputs per target show each entry runs and ends on the awkward cases (empty, one byte, a
// stream of noise) even where nothing is kept yet.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FuzzEntries.h"

namespace vt::fuzz {
// The test's parameter shown by its name in the test list.
inline void PrintTo(const Target* target, std::ostream* os) { *os << target->name; }
}  // namespace vt::fuzz

namespace vt::test {
namespace {

namespace fs = std::filesystem;

std::string bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void replay(const fuzz::Target& target, const std::string& bytes, const std::string& what) {
    SCOPED_TRACE(std::string(target.name) + ": " + what);
    const auto t0 = std::chrono::steady_clock::now();
    target.run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    // A hang shows as the test's timeout; a slow input as this bound (the fuzzer's own limit).
    const auto took = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - t0);
    EXPECT_LT(took.count(), 25) << "an input took " << took.count() << " s";
}

struct FuzzRegression : ::testing::TestWithParam<const fuzz::Target*> {
    static void SetUpTestSuite() { fuzz::initialise(); }
};

TEST_P(FuzzRegression, KeptInputsAndAwkwardOnesRunThrough) {
    const fuzz::Target& target = *GetParam();
    // Built-in inputs: nothing, one byte of each extreme, noise, a long run of one value.
    std::string noise;
    uint32_t x = 12345;
    for (int i = 0; i < 4000; ++i) {
        x = x * 1103515245u + 12345u;
        noise.push_back(static_cast<char>(x >> 24));
    }
    const std::vector<std::pair<std::string, std::string>> builtIn = {
        {"empty", ""},
        {"zero byte", std::string(1, '\0')},
        {"0xFF byte", std::string(1, '\xff')},
        {"noise", noise},
        {"0xFF run", std::string(3000, '\xff')},
        {"zero run", std::string(3000, '\0')},
        {"line ends", std::string(500, '\r') + std::string(500, '\n')},
    };
    for (const auto& [what, bytes] : builtIn) replay(target, bytes, what);

    const fs::path kept = fs::path(VELTRA_FUZZ_REGRESSIONS) / target.name;
    if (!fs::is_directory(kept)) return;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(kept))
        if (e.is_regular_file() && e.path().filename().string().front() != '.') files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) replay(target, bytesOf(file), file.filename().string());
}

std::vector<const fuzz::Target*> allTargets() {
    std::vector<const fuzz::Target*> out;
    for (const fuzz::Target& t : fuzz::targets()) out.push_back(&t);
    return out;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegression, ::testing::ValuesIn(allTargets()),
                         [](const ::testing::TestParamInfo<const fuzz::Target*>& info) {
                             return std::string(info.param->name);
                         });

// Every kept folder belongs to a target, so an input is never kept where nothing replays it.
TEST(FuzzRegressionFolders, EachNamesATarget) {
    const fs::path root(VELTRA_FUZZ_REGRESSIONS);
    ASSERT_TRUE(fs::is_directory(root));
    for (const auto& e : fs::directory_iterator(root)) {
        if (!e.is_directory()) continue;
        EXPECT_NE(fuzz::findTarget(e.path().filename().string()), nullptr) << e.path();
    }
}

}  // namespace
}  // namespace vt::test
