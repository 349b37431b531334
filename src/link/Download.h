// Downloading the logger's memory into a log file: the name and lap range asked for, one
// command, the "X" frames' 16 data bytes written as they arrive (acknowledged with "GD"/"NG"
// except in a normal download over a modem), the "E" frame ending it, the memory-clear
// question. Normal downloads run at the line's speed, fast ones at 38400, 57600 or 115200
// bit/s.
//
// The file is written under a temporary name beside the log and renamed to NAME.log only when
// the "E" frame ends a good download; a timeout, a cancel, a failed command or a lost device
// leaves no file. A log of that name is replaced only when the user agrees.
#pragma once

#include <string>

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// The menu entries: a download at the line's speed, and a fast one.
void One_Down_Click(Module1& m, MainformState& f, Services& s);
void Fast_Down_Click(Module1& m, MainformState& f, Services& s);

// The file name (through f.windows.Form_NAME: LogFileName without ".log", FastRate,
// MemClearAsk), the lap range, the file opened. LogFileName is empty when the user cancelled.
void down_file(Module1& m, MainformState& f, Services& s);
// Asks for the lap range until the answer is usable: DownFrom, DownTo; both 0 on an empty answer.
void down_range(Module1& m, MainformState& f, Services& s);
// The range of an answer ("7", "9-3", "-4"): false when it is not usable (a lap above 100 or
// below 0), else DownFrom and DownTo as the download takes them.
bool parse_range(const std::string& answer, int32_t& from, int32_t& to);
// The download command's text: the keyword and the range ("LOGP 1- 5").
std::string download_command(const Module1& m);
// Sends the command and, for a fast download, switches the line.
void down_start(Module1& m, MainformState& f, Services& s);

// The "X" and "E" rows of frame_proc.
void down_block(Module1& m, MainformState& f, Services& s);
void down_finish(Module1& m, MainformState& f, Services& s);

// The end of every download, good or not: a fast download's line back at its own speed,
// DownMode 0, the live session ended (rx_end), a beep.
void down_end(Module1& m, MainformState& f, Services& s);
// The watchdog gave up on a download: the file removed, the pointer normal, lap_no and
// RecCount cleared, language text 249, down_end.
void down_timeout(Module1& m, MainformState& f, Services& s);
// The wait window's cancel button during a download: the file removed, the line back at its
// own speed. A logger left unanswered gives the download up by itself.
void down_cancel(Module1& m, MainformState& f, Services& s);
// The main port's device went away during a download: the file removed, a fast download's
// line settings put back on the (closed) port, the download over.
void down_lost(Module1& m, MainformState& f);

// What the download has written and what it expects, for the progress display and the tool:
// "block 123, 45 % of 27 000 bytes, 3 840 bytes/s, 0:04 left".
std::string down_progress(const Module1& m, const MainformState& f, int64_t nowMs);

}  // namespace vt
