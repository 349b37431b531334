// Heap allocations counted in a test program, so a per-record path can be shown to make
// none. Using it links a counting operator new into that program.
#pragma once

#include <cstddef>

namespace vt::test {

// Allocations made since the program started.
std::size_t allocationCount();

}  // namespace vt::test
