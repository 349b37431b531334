// A libFuzzer program: every input goes through the entry function of the target this program
// was built for (VELTRA_FUZZ_TARGET).
#include <cstdio>
#include <cstdlib>

#include "FuzzEntries.h"

namespace {
const vt::fuzz::Target* target = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vt::fuzz::initialise();
    target = vt::fuzz::findTarget(VELTRA_FUZZ_TARGET);
    if (target == nullptr) {
        std::fprintf(stderr, "no fuzz target named %s\n", VELTRA_FUZZ_TARGET);
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    target->run(data, size);
    return 0;
}
