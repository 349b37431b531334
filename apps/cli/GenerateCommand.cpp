#include "Cli.h"

namespace vt::cli {

int cmdGenerate(int, char**) { return fail("generate: not built yet"); }

}  // namespace vt::cli
