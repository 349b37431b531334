// The terminal's state after start-up with its link wired, over in-memory ports, the virtual
// clock (the timers attached to it) and scripted dialogs: the link procedures run as in the
// terminal, and a test plays the logger's side on port 1.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "layout/FrameLayout.h"
#include "support/TestApp.h"

namespace vt::test {

struct LinkTestApp : TestApp {
    TempDir dir;
    // Loads the English texts, runs the window's loading, wires the ports' events and timers.
    explicit LinkTestApp(bool recordingCanvases = true);
    MemoryCommPort& port2() { return static_cast<MemoryCommPort&>(*f.MSComm2); }
    // Opens the main port as the connect button does on a direct line (binary 25-byte frames),
    // without the commands link_start sends.
    void connectDirect();
    // Lets virtual time pass, timers and hooks running.
    void run(int64_t ms) { pump.run(ms); }
    // The texts of the status line seen, in order (each change).
    std::vector<std::string> status;
};

// A logger frame of `kind` with the given payload bytes (offset, value), a good checksum, STX
// and ETB.
std::string frameOf(char kind, std::initializer_list<std::pair<int, int>> bytes = {});
// A live record frame ('G', 'N', 'Z') with a 16-byte record and the lap time in 1/100 s.
std::string recordFrame(char kind, const std::array<uint8_t, 16>& record, int counter = 0, int lapTime = 0);
// The parameter frame of a 16-byte header and a distance per pulse.
std::string parameterFrame(const std::array<uint8_t, 16>& header, int mmPerPulse);
// A command frame as the terminal writes it.
inline std::string commandFrame(const std::string& text) { return frame::command(text); }

}  // namespace vt::test
