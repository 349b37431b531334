// The command line of veltra-logger-sim: its options, their checks and its --help text, kept
// beside the simulator so that tests reach them without starting the program.
//
// Plain C++.
#pragma once

#include <string>
#include <vector>

#include "sim/LoggerSim.h"
#include "sim/Remote.h"

namespace vt::sim {

// What the program plays: the logger (the default) or, with "remote" first, the remote station.
enum class Role { Logger, Remote };
// Where the terminal reaches it.
enum class LineKind { Pty, Device, Rfc2217, Tcp };

struct ProgramOptions {
    Role role = Role::Logger;
    SimOptions sim;        // the logger
    RemoteOptions remote;  // the remote station
    bool help = false;
    LineKind line = LineKind::Pty;
    std::string device;   // an existing serial device (LineKind::Device)
    std::string link;     // a symlink to the pseudo-terminal's slave, made and removed by the program
    int port = 0;         // the TCP port on 127.0.0.1 (Rfc2217, Tcp); 0: a free one
    std::string journal;  // journal lines to this file; "-": standard error; empty: none
};

struct ParsedArgs {
    ProgramOptions options;
    std::string error;  // a usage mistake, one line; empty when the arguments are usable
};

// Parses the arguments after the program name. "--name value" and "--name=value" both work; a
// first argument "remote" chooses the remote station.
ParsedArgs parseProgramArgs(const std::vector<std::string>& args);

// The --help text: what the program does, every option and the journal's fields.
const char* helpText();

}  // namespace vt::sim
