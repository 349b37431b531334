// The command line of veltra-logger-sim: its options, their checks and its --help text, kept
// beside the simulator so that tests reach them without starting the program.
//
// Plain C++.
#pragma once

#include <string>
#include <vector>

#include "sim/LoggerSim.h"

namespace vt::sim {

struct ProgramOptions {
    SimOptions sim;
    bool help = false;
    std::string device;   // an existing serial device; empty: a pseudo-terminal
    std::string link;     // a symlink to the pseudo-terminal's slave, made and removed by the program
    std::string journal;  // journal lines to this file; "-": standard error; empty: none
};

struct ParsedArgs {
    ProgramOptions options;
    std::string error;  // a usage mistake, one line; empty when the arguments are usable
};

// Parses the arguments after the program name. "--name value" and "--name=value" both work.
ParsedArgs parseProgramArgs(const std::vector<std::string>& args);

// The --help text: what the program does, every option and the journal's fields.
const char* helpText();

}  // namespace vt::sim
