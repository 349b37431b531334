// The dial list (Form4): the logger modem's telephone numbers, kept in dial.dat one per line
// with the most recently used last. The connect button shows it to take the number to dial;
// the menu entry tel_no_set shows it for editing. UI-free; the Qt window shows Form4State.
#pragma once

#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

struct Form4State {
    Control window, Command1, Command2, Delete_no;
    std::vector<std::string> Combo1;  // the list
    std::string Combo1Text;           // the combo box's text
    int ListIndex = -1;               // the selected entry, -1: none
    int LastIdx = -1;                 // the last entry when the window opened
    bool PickChanged = false;
    bool Unloaded = false;
};

// The path of dial.dat in the start folder.
std::string dialPath(const Module1& m);
// Reads dial.dat's entries (at most 1000 of at most 200 characters; the rest is ignored).
std::vector<std::string> read_dial_list(const std::string& path);

void Form_Load(Module1& m, Form4State& st);
void Combo1_Click(Form4State& st, int index);
// The Enter key acts as OK.
void Combo1_KeyDown(Module1& m, Form4State& st, Services& s, int keyCode);
// OK: TelNo from the combo's text; a newly picked entry moves to the end of the list (most
// recently used last) and the file is rewritten.
void Command1_Click(Module1& m, Form4State& st, Services& s);
// Add: asks, then appends the typed number.
void Command2_Click(Module1& m, Form4State& st, Services& s);
// Delete: asks, then removes the selected entry; the last one removed deletes dial.dat.
void Delete_no_Click(Module1& m, Form4State& st, Services& s);
// Writes the list to dial.dat (through a temporary renamed over it); false with the reason when
// it cannot be written, which is said in a message box.
bool dial_save(Module1& m, Form4State& st, Services& s);

// The menu entry: the dial list for editing (shown modally through f.windows.Form4).
void tel_no_set_Click(MainformState& f);

}  // namespace vt
