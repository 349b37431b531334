#include "Cli.h"

namespace vt::cli {

int cmdCourse(int, char**) { return fail("course: not built yet"); }
int cmdCourselist(int, char**) { return fail("courselist: not built yet"); }

}  // namespace vt::cli
