// Log files: the logger's memory image on disk (16-byte header, 480 bytes of lap table per
// lap, 16-byte records to the end of the file), read into and written from the image.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <string>

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// What a load had to leave out, so the caller can say so.
struct LoadReport {
    int32_t records = 0;         // whole records loaded
    int32_t recordsLeftOut = 0;  // whole records past the image's last slot
    int lapsLeftOut = 0;         // laps above 100 whose summaries were skipped
    int partialBytes = 0;        // bytes after the last whole record (not a record)
    // One line for the status label or standard error; empty when everything fitted.
    std::string note() const;
};

// Reads a log from `in` (positioned at its start) into the image: header, lap table of
// laps LapFirst..LapLast, records from index 0, the end marker after the last record.
// Never writes past the image. Returns false with the image untouched when the file cannot
// be a log: shorter than its header, a first lap above 100, or a lap table cut short (its
// records would be read from the wrong place).
bool log_read(Module1& m, std::istream& in, LoadReport* report, std::string* error);

// log_read of the file at `path`, with RecLast set to the last record read and RecCount 0 (no lap
// located yet). On failure the image is unchanged and error holds the reason: the system's text
// for a file that cannot be opened, or why it is no log.
bool log_read_path(Module1& m, const std::string& path, LoadReport* report, std::string* error);

// log_open for a chosen path, without dialogs: loads the file, fills namae and hiniti, sets
// LogFileName, TextFileName and RecLast. On failure the image and the names are unchanged and
// error holds the reason (the system's text for a file that cannot be opened).
bool log_open_path(Module1& m, MainformState& f, Services& s, const std::string& path, LoadReport* report,
                   std::string* error);

// Writes the image in the log-file layout: HdrCopy(5..20), the lap table of LapFirst..LapLast
// and records 0..RecLast. The file is written to a temporary and renamed over `path`, so a
// failure never leaves half a file. When laps above 100 were left out at loading, the header
// says the last lap held, so the file reads back the way it is written.
bool log_write(const Module1& m, const std::string& path, std::string* error);

// The file name without folder and without its last four characters ("run1" of ".../run1.log").
std::string log_title(const std::string& path);
// The name of a log's text export: the path with its last three characters replaced by "txt"
// ("run1.log" gives "run1.txt"). Where that would be the log itself ("run1.txt") or reach into
// the folder's name (a name of three characters or less), the log's path with ".txt" added
// instead, and `adjusted` says so. Empty for an empty path, so an export with no log opened has
// no file name rather than one called "txt".
std::string text_file_name(const std::string& path, bool* adjusted = nullptr);

// ---- the menu entries --------------------------------------------------------------------

// log_open before the chooser: it starts in LogDir, whose name ends in "log", so it lists
// "*.log" files.
void log_open_begin(Module1& m);
// log_open after the chooser has left its choice in LogFileName: loads it with the status
// texts and the pause, reports a failure in a message box (LogFileName then empty) and what
// was left out in the status label. False when nothing was loaded.
bool log_open_load(Module1& m, MainformState& f, Services& s, LoadReport* report = nullptr);
// MOpenLog_Click: `showChooser` shows the file chooser modally over LogFileName.
void MOpenLog_Click(Module1& m, MainformState& f, Services& s, const std::function<void()>& showChooser);
// MCloseLog_Click: the platform's file dialog for managing log and course files.
void MCloseLog_Click(Module1& m, Services& s);

}  // namespace vt
