#include "Cli.h"

namespace vt::cli {

int cmdLaps(int, char**) { return fail("laps: not built yet"); }
int cmdSegments(int, char**) { return fail("segments: not built yet"); }
int cmdSegment(int, char**) { return fail("segment: not built yet"); }
int cmdParams(int, char**) { return fail("params: not built yet"); }
int cmdExport(int, char**) { return fail("export: not built yet"); }

}  // namespace vt::cli
