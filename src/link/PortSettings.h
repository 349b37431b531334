// The two serial ports' settings: the record the settings dialog edits, the settings files
// port_main.dat and port_sub.dat (nine text lines in the current folder), and applying a record
// to a port (ComSet).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/CommPort.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// One port's settings.
struct PortSettings {
    int16_t ComPortNo = 1;  // COM port number 1..10
    int16_t RetryVal = 0;   // automatic redial wait, 0..60 s in steps of 5 (main port only)
    std::string BaudStr = "9600";
    std::string ATCmd;                  // the active modem initialisation command (AT list entry 0)
    int16_t ATIndex = 0;                // the AT-list entry last clicked in the dialog
    int16_t FlowNo = 2;                 // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both
    std::array<std::string, 5> ATList;  // most recently used first; entry 0 is the active command
};

// The port PortSel names (1 main, 2 sub) and its settings file in the start folder.
CommPort& selectedPort(const Module1& m, MainformState& f);
std::string settingsPath(const Module1& m);

// The defaults of the selected port: COM1 (main) or COM2 (sub), 9600 bit/s, RTS/CTS, no redial,
// four empty AT entries and "AT&F" (main) or "AT&FS0=1" (sub) last.
PortSettings defaultSettings(int portSel);

// Parses a settings file: four values (port, rate, flow, redial wait; separated by commas or
// line ends, quotes stripped), then the five AT entries, one per line. False when a value is
// missing or out of its range, so the caller falls back to the defaults.
bool parse_settings(const std::string& text, PortSettings& rec);
// The file's nine lines, each ended by CR LF.
std::string settings_text(const PortSettings& rec);

// The selected port's settings file as it is, or the defaults when it is missing or not a
// settings file; writes nothing (the tool reads the terminal's settings without touching them).
PortSettings port_load(const Module1& m);

// Writes the record's file (through a temporary renamed over the old file); false with the
// reason when it cannot be written.
bool port_save(const Module1& m, const PortSettings& rec, std::string* error);
// Writes the selected port's default file.
bool default_save(const Module1& m, std::string* error);

// Reads the selected port's settings file into `rec` (a missing, unreadable, huge or garbled
// file is replaced by the defaults, without a message) and applies it with ComSet. When
// PortQuietLoad is set only the active AT entry is taken.
void moniport_set(Module1& m, MainformState& f, PortSettings& rec);

// Applies the record to the selected port: port number, "<rate>,N,8,1", handshaking; for the
// main port MainATCmd, RetrySec and MainPortSet := 1, for the sub port SubATCmd, SubPortSet := 1.
void ComSet(Module1& m, MainformState& f, const PortSettings& rec);

}  // namespace vt
