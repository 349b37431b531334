#include "shell/GraphMenus.h"

#include "shell/mainform.h"

namespace vt {

void installGraphMenus(mainform&, Module1&, MainformState&, Services&) {}

}  // namespace vt
