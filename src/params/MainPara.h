// The logger's main parameter block and its editor MAIN_PARA: 41 signed 32-bit slots; 0..26
// go to and come from the logger with "MAIN", 0..20 are edited on twenty scroll bars (and the
// TRANS option pair), all 41 are kept in parameter files (PARA_<name>.dat in ParaDir, 164
// bytes, little-endian). UI-free; the Qt window shows MainParaState.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/Controls.h"
#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

constexpr int kMainParaSlots = 41;
constexpr int kMainParaSent = 27;  // slots 0..26 travel with "MAIN"
constexpr int kMainParaRows = 20;
constexpr int kTransSlot = 20;  // 0: TRANS(0) chosen (row 16), 1: TRANS(1) (row 17)
constexpr int kParaFileBytes = 4 * kMainParaSlots;

using MainParaBlock = std::array<int32_t, kMainParaSlots>;

// One editor row: its slot, the scroll bar's range, the slot's factor over the scroll value,
// and the value label's tooltip (the range text, for some rows a help text after it).
struct ParaRow {
    int slot;
    int min, max;
    int factor;
    const char* tooltip;
};
const std::array<ParaRow, kMainParaRows>& para_rows();

struct MainParaState {
    Control window;
    std::array<Control, 4> Command1;            // save to file, load from file, send, read
    std::array<Control, 22> Label1;             // row names: 0..17 from the language table, 18..21 fixed
    std::array<Control, kMainParaRows> Label2;  // row values
    std::array<ScrollModel, kMainParaRows> HScroll1;
    std::array<Control, 2> TRANS;  // segment timing by row 16 (0) or by equal division, row 17 (1)
    MainParaBlock MainPara{};
};

// The defaults: all 0 but slot 19 = 100, 1 = 999, 3 = 1, 4 = 16000, 5 = 20000, 8 = 200,
// 9 = 200, 11 = 100, 17 = 3, 13 = 1, 14 = 16, 15 = 1, 16 = 60000.
MainParaBlock default_block();
void para_default(MainParaState& st);
// The editor into slots 0..20.
void scroll_to_para(MainParaState& st);
// Why slots 0..20 of `p` cannot be shown (a scaled value outside its row's bar); empty when
// they can.
std::string para_check(const Module1& m, const MainParaBlock& p);
// Slots 0..20 into the editor (the scaled ones rounded, halves to even), each row's label
// following. Call with a block para_check accepts; a value that does not fit is held to its bar.
void para_to_scroll(MainParaState& st);
// The value label of row `row` for a scroll value.
std::string row_value_text(int row, int value);
void HScroll1_Change(MainParaState& st, int index);
void TRANS_Click(MainParaState& st, int index);

// Loading: captions, the bars' ranges, the defaults shown, send and read only with the main
// port open.
void Form_Load(Module1& m, MainformState& f, MainParaState& st);

// ---- texts on the wire and the file ---------------------------------------------------------

// "MAIN" and ",<slot>" for slots 0..26.
std::string main_write_text(const MainParaBlock& p);
// The read reply "Q,v0,...,v26\r": exactly 27 commas after the "Q", 27 whole numbers, a carriage
// return at the end. Fills slots 0..26 of `p` only when the whole reply is good; else false with
// the reason and `p` unchanged.
bool main_reply_parse(const std::string& text, MainParaBlock& p, std::string* why);

std::string para_file_bytes(const MainParaBlock& p);
// Reads a parameter file into `p`; a file shorter than 164 bytes is refused and `p` left alone.
bool para_file_read(const std::string& path, MainParaBlock& p, std::string* error);
// Writes one through a temporary renamed over `path`.
bool para_file_write(const MainParaBlock& p, const std::string& path, std::string* error);

// ---- the link ---------------------------------------------------------------------------------

// Sends the write text; tx_data's result.
int16_t main_send(Module1& m, MainformState& f, Services& s, const MainParaBlock& p);
// Asks the logger for its block: the main port to text input, "MAIN" sent, up to 11 s for the
// reply to end with a carriage return, the port back to binary 25-byte frames. True with slots
// 0..26 of `p` filled from a good reply; else false, `p` unchanged and `why` saying what failed.
bool main_read(Module1& m, MainformState& f, Services& s, MainParaBlock& p, std::string* why);

// The buttons: 0 save to a file, 1 load from a file, 2 send, 3 read.
void Command1_Click(Module1& m, MainformState& f, Services& s, MainParaState& st, int index);
// The main window's menu entry: shows the editor without blocking (f.windows.MAIN_PARA).
void MAIN_PARA_SET_Click(MainformState& f);

}  // namespace vt
