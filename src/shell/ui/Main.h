// The program's entry: folders, the language table, the main window.
#pragma once

namespace vt {

// Runs the terminal; returns the process exit status. `veltra-terminal --help` lists the
// options (--sim, --open, --lap, --record, --screenshot, --version).
int Main(int argc, char** argv);

}  // namespace vt
