// Must not compile when linked to a procedure library only: Qt Widgets is not among its
// dependencies, so computation cannot reach a widget.
#include <QWidget>

int probe() { return sizeof(QWidget) > 0 ? 1 : 0; }
