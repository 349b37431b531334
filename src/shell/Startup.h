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

}  // namespace vt
