// The file chooser (File_Form) and the download file-name dialog (Form_NAME): their state
// and procedures, UI-free. Both hand their result to the caller in LogFileName.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/Controls.h"
#include "platform/Services.h"
#include "state/Module1.h"

namespace vt {

// Names typed for files must not hold any of these (they could reach another folder).
constexpr std::string_view kForbiddenNameChars = "\\/.:;*?~<>|";
bool name_is_allowed(std::string_view name);

// ---- File_Form ---------------------------------------------------------------------------

struct FileFormState {
    Control window, Command1, Command2;
    std::string Pattern;   // "*.log" or "*.dat"
    std::string DirPath;   // the folder list's and the file list's path
    std::string FilePath;  // the file list's path (follows the folder list)
    bool Unloaded = false;
};

// Load: the pattern and caption by the last three characters of LogFileName ("log": "*.log"
// and language text 108, else "*.dat" and 109); the lists start in LogFileName, which is then
// cleared.
void Form_Load(Module1& m, FileFormState& st);
// The folder changed: the file list follows it.
void Dir1_Change(FileFormState& st, const std::string& dir);
// A file clicked: LogFileName = the file list's path, "/" unless it ends in one, the name.
void File1_Click(Module1& m, FileFormState& st, const std::string& fileName);
void File1_DblClick(Module1& m, FileFormState& st, const std::string& fileName);
void Command1_Click(FileFormState& st);              // OK: keeps LogFileName
void Command2_Click(Module1& m, FileFormState& st);  // cancel: LogFileName empty

// ---- Form_NAME ---------------------------------------------------------------------------

struct FormNameState {
    Control window, Frame1, Frame2, Frame3, Command1, Command2;
    std::array<Control, 2> Option1;  // 0: date in the name, 1: no date
    std::array<Control, 2> Option2;  // 0: keep the logger memory, 1: clear it after saving
    std::array<Control, 3> F_BOUD;   // fast download speed: 38400, 57600, 115200
    std::string Text1;               // the typed name
    bool Unloaded = false;
    bool FocusText1 = false;  // the window should put the focus back in the name box
};

void Form_Load(Module1& m, FormNameState& st);
// Picks option i of a group (the others are cleared) and asks for the focus back in Text1.
void Option_Click(std::array<Control, 2>& group, int i, FormNameState& st);
void F_BOUD_Click(FormNameState& st, int i);
// OK (and the Enter key in Text1): checks the name and builds LogFileName (without ".log").
void Command1_Click(Module1& m, FormNameState& st, Services& s);
void Command2_Click(Module1& m, FormNameState& st);

}  // namespace vt
