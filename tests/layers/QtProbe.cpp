// Must not compile when linked to a plain C++ library only: the simulated logger (and the log
// generator and layouts beneath it) reach no Qt at all.
#include <QString>

int probe() { return QString::number(1).size(); }
