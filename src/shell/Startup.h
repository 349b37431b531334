// Start-up: the working folders, the settings-file names and the language table.
#pragma once

#include <string>

#include "state/Module1.h"

namespace vt {

// Sets LogDir, CorseDir and ParaDir under the start folder `cur`, and the names of the
// settings files.
void set_folders(Module1& m, const std::string& cur);

// Loads LANG.TXT into LangText (line N into LangText[N]) and sets UiFontName from line 2.
// On failure (missing, unreadable, more than 300 lines) returns false with the message the
// program shows: "!! Not Found ---> LANG.TXT !!", CR LF, and the path (or the 301st line).
// The file is read as UTF-8; a file that is not valid UTF-8 is read as Shift_JIS.
bool lang_load(Module1& m, const std::string& path, std::string* failText);
// The same over the file's bytes.
bool lang_parse(Module1& m, std::string bytes, std::string* failText);

// ---- the working folder of an installed terminal ----

// The folder the terminal works in: the current folder `cur` when it holds LANG.TXT (the
// scripts and the tests start the terminal so), else `veltraHome` when it is not empty, else
// VeltraTerminal in the user's home folder.
std::string working_folder(const std::string& cur, const std::string& veltraHome, const std::string& userHome);

// The language of the user's messages locale: "ja" for a Japanese one, else "en". `locale` is
// the first set of LC_ALL, LC_MESSAGES and LANG (as locale_name() reads them).
std::string locale_language(const std::string& locale);
std::string locale_name();

// The data folder of an installed terminal: share/veltra-terminal beside the program's bin
// folder, when it holds the language files; else empty (a terminal run from its build tree).
std::string data_folder(const std::string& programDir);

// Makes the working folder `dir` when it is missing and, when it has no LANG.TXT, puts in the
// language file of `language` from the data folder (lang/<language>/LANG.TXT). A missing data
// folder leaves LANG.TXT missing, which lang_load then reports. False with the reason when the
// folder or the file cannot be made.
bool prepare_working_folder(const std::string& dir, const std::string& dataDir, const std::string& language,
                            std::string* error);

}  // namespace vt
