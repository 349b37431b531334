// Log files: the logger's memory image on disk (16-byte header, 480 bytes of lap table per
// lap, 16-byte records to the end of the file), read into and written from the image.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// What a load had to leave out, so the caller can say so.
struct LoadReport {
    int32_t records = 0;          // whole records loaded
    int32_t recordsLeftOut = 0;   // whole records past the image's last slot
    int lapsLeftOut = 0;          // laps above 100 whose summaries were skipped
    bool lapTableShort = false;   // the file ended inside the header or lap table
    bool partialRecord = false;   // bytes after the last whole record
    // One line for the status label or standard error; empty when everything fitted.
    std::string note() const;
};

// Reads a log from `in` (positioned at its start) into the image: header, lap table of
// laps LapFirst..LapLast, records from index 0, the end marker after the last record.
// Never writes past the image; returns false (image untouched) when the file is too short
// to hold a header or its lap range cannot be held at all (first lap above 100).
bool log_read(Module1& m, std::istream& in, LoadReport* report, std::string* error);

// log_open for a chosen path: loads the file, fills namae and hiniti, sets LogFileName,
// TextFileName and RecLast. Messages go through the services as the terminal shows them.
bool log_open_path(Module1& m, MainformState& f, Services& s, const std::string& path, LoadReport* report,
                   std::string* error);

// Writes the image in the log-file layout: HdrCopy(5..20), the lap table of LapFirst..LapLast
// and records 0..RecLast. The file is written to a temporary and renamed over `path`, so a
// failure never leaves half a file.
bool log_write(const Module1& m, const std::string& path, std::string* error);

// The file name without folder and without its last four characters ("run1" of ".../run1.log").
std::string log_title(const std::string& path);
// LogFileName with its last three characters replaced by "txt".
std::string text_file_name(const std::string& path);

}  // namespace vt
