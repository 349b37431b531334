#include "shell/ui/Main.h"

int main(int argc, char** argv) { return vt::Main(argc, argv); }
