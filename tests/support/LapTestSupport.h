// A lap of a generated log held in memory as the terminal holds it after the lap list's choice:
// for the tests of the runs over a lap, the histogram and the printed page.
#pragma once

#include <string>

#include "loggen/LogGenerator.h"
#include "support/TestApp.h"

namespace vt::test {

// Generates a log into `dir` ("gen.log"), opens it as the File menu does and chooses `lap` as
// the lap list does (course list, layout, graph). Returns the generated memory; a failure is
// reported to GoogleTest.
loggen::LoggerMemory openGeneratedLap(TestApp& app, const TempDir& dir, int lap, const loggen::GenOptions& o = {});

}  // namespace vt::test
