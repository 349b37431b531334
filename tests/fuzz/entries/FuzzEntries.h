// The fuzz targets' entry functions: each takes one input (a file's bytes or a stream of line
// bytes) through the same procedures the terminal runs on it, on a fresh program state. The
// libFuzzer programs call them, and the regression test replays every kept input through them
// in the ordinary build, so an input that once crashed or hung a target stays checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vt::fuzz {

using Entry = void (*)(const uint8_t* data, size_t size);

struct Target {
    const char* name;  // the fuzz program is fuzz_<name>; its kept inputs regressions/<name>/
    Entry run;
};

// Every target, in a fixed order.
const std::vector<Target>& targets();
// The target of that name, or nullptr.
const Target* findTarget(std::string_view name);

// Once per process before the first input: the offscreen platform and the English texts.
void initialise();

}  // namespace vt::fuzz
