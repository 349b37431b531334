// The course editor: a copy of the selected lap split into straights, left and right corners
// from its lateral G alone (an entry threshold, an exit threshold and a minimum segment length),
// shown as course list and layout as often as the user runs it, then saved as a course file.
// The dialog Corse_para is its state and handlers here; the window only shows them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Controls.h"
#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// ---- the dialog Corse_para -------------------------------------------------------------------

struct CorseParaState {
    Control window;
    Control Label4, Label5, Label6;  // the names: in G, out G, minimum length
    Control Label1, Label2, Label3;  // their values
    ScrollModel HScroll1, HScroll2, HScroll3;
    Control Corse_ok, Corse_end, Corse_cancel;
    std::string Result = "cancel";  // "ok", "end" or "cancel": the button that closed it
    bool Unloaded = false;
};

// Loading: captions, the ranges, the three settings (HdrWord8, HdrByte10, SegMinLen) on the
// bars and their texts on the labels; the result is "cancel" until a button says otherwise.
void Form_Load(Module1& m, CorseParaState& st);
// In G moved: HdrWord8 and its label; out G follows down when it was higher.
void HScroll1_Change(Module1& m, CorseParaState& st);
// Out G moved: HdrByte10 and its label; in G follows up when it was lower.
void HScroll2_Change(Module1& m, CorseParaState& st);
// The minimum length moved: SegMinLen and its label.
void HScroll3_Change(Module1& m, CorseParaState& st);
void Corse_ok_Click(CorseParaState& st);
void Corse_end_Click(CorseParaState& st);
void Corse_cancel_Click(CorseParaState& st);

// ---- the procedures --------------------------------------------------------------------------

// The split's thresholds in counts of the acceleration byte and the minimum length in pulses.
struct EditThresholds {
    int inC = 0, outC = 0;
    int32_t minP = 0;
};
EditThresholds edit_thresholds(const Module1& m);

// Why the selected lap (RecPtr, RecCount) cannot be edited: more sample records than the
// editor's table holds (6001), a copy behind MemRecs that would pass record 65000, or no
// distance per pulse. Empty when it can.
std::string edit_refusal(const Module1& m);

// Copies the selected lap's page to page 0 and its records behind MemRecs, fills edit_dat with
// its sample records, smooths the lateral G and takes the zero offset off. Call only when
// edit_refusal is empty.
void edit_prepare(Module1& m, MainformState& f, EventPump& pump);
// Splits the rows into segments on page 0 and rebuilds the copied records with one marker
// record per new boundary; RecCount becomes the index of the last record written.
void edit_segment(Module1& m, MainformState& f);
// The editor's "exec": the split with the current settings, shown as course list, layout and
// the lateral-G graph.
void edit_exec(Module1& m, MainformState& f, Services& s);

// The menu entry: checks there is a lap to edit, prepares it and shows Corse_para
// (f.windows.Corse_para over `st`) until the user saves the course or cancels.
void Corse_edit_Click(Module1& m, MainformState& f, Services& s, CorseParaState& st);

}  // namespace vt
