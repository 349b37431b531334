// The program's entry: folders, the language table, the main window.
#pragma once

namespace vt {

// Runs the terminal; returns the process exit status. Options:
//   --screenshot FILE   render the main window to a PNG after loading, then end
int Main(int argc, char** argv);

}  // namespace vt
