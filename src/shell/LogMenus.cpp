#include "shell/LogMenus.h"

#include "shell/mainform.h"

namespace vt {

void installLogMenus(mainform&, Module1&, MainformState&, Services&) {}

}  // namespace vt
