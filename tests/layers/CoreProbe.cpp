// Compiles against a procedure library: the harness of the layer checks works, and QtCore is
// what computation may use.
#include <QString>

#include "logdata/Decode.h"

int probe() { return QString::number(vt::kMaxRecord).size(); }
