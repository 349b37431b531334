#include "Cli.h"

namespace vt::cli {

int cmdGraph(int, char**) { return fail("graph: not built yet"); }

}  // namespace vt::cli
