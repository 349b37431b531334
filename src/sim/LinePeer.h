// What stands at the far end of the terminal's line: the simulated logger, or the remote station
// that calls the terminal's sub port. The program drives either the same way: bytes the terminal
// wrote go in, bytes that have left the line by a time come out, on a clock the caller gives (ms).
//
// Plain C++.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/Modem.h"

namespace vt::sim {

class LinePeer {
  public:
    virtual ~LinePeer() = default;

    // Bytes the terminal wrote, at nowMs.
    virtual void receive(std::string_view bytes, int64_t nowMs) = 0;
    // The bytes that have left the line by nowMs.
    virtual std::string transmit(int64_t nowMs) = 0;
    // When transmit() will next have bytes (or something else is due): at or before nowMs when
    // it has some now; -1 when nothing is pending.
    virtual int64_t nextDueMs(int64_t nowMs) const = 0;
    // Journal lines recorded since the last call.
    virtual std::vector<std::string> takeJournal() = 0;
    // Line speed for the pacing (bits a second, ten bits a byte; 0: no pacing).
    virtual void setBaud(int baud) = 0;
    // The line speed it sends at now (it may switch by itself, as a fast download does).
    virtual int baud() const = 0;
    // The status lines the terminal sees (without a modem: carrier always on) and every change
    // of them since the last call.
    virtual ModemLines lines() const = 0;
    virtual std::vector<ModemLines> takeLineChanges() = 0;
    // The terminal's side went away (DTR off): a call in progress ends.
    virtual void dtrOff(int64_t nowMs) = 0;
    // Bytes waiting to leave are thrown away (the terminal asked for a purge).
    virtual void purgeOutput(int64_t nowMs) = 0;
};

}  // namespace vt::sim
