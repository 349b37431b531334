// The list window's state: its fields, its texts and its controls as plain models.
//
// The lists are built into Text1 by UI-free code; the window only shows this struct, so
// the same text is shown, printed and written by the command-line tool.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "layout/LogLayout.h"
#include "platform/Controls.h"

namespace vt {

// A lap-list line: 75 characters, CR and LF.
constexpr int kLapLineChars = 77;

struct Form3State {
    // ---- list fields ---------------------------------------------------------------------
    int32_t BestTime = layout::kNoTime;
    int16_t BestLap = 0;
    int16_t RowLap = 0;    // the lap of the line being built
    int16_t SegCount = 0;  // segment counter of the line being built (and of the text export)
    int16_t PickLap = 0;   // the lap of the line last clicked
    std::array<int32_t, 21> BestSegTime{};
    std::array<int16_t, 21> BestSegLap{};
    std::string LinePrefix;  // the first columns of the next exported line
    std::string ExportLine;  // the exported line being assembled

    // ---- texts ---------------------------------------------------------------------------
    std::string Text1;  // the list; lines end in CR LF
    std::string Text2;  // the column header
    // Text1's selection in characters of Text1 (a line end counts two).
    int32_t SelStart = 0, SelLength = 0;
    float MouseDownY = 0;  // pointer's vertical position when the button went down

    // ---- controls ------------------------------------------------------------------------
    Control window;                  // caption
    Control Label2;                  // list title
    Control Frame1, Label4, Label6;  // best lap number and time
    Control Label8, Label7;          // "file name" caption and the log's name
    Control Label9, Label10;         // "date" caption and the log's date
    Control Command1, Command2, DEL, UN_DO, Re_Save, TEXT_SAVE;
    Control REF_SET;      // makes the picked lap the reference lap of the comparison
    Control RefLabel;     // the lap REF_SET picked
    int16_t RefPick = 0;  // that lap, for the main window when the list closes (0: none)

    int16_t Mode = 0;        // the list mode the window was loaded in (SelLap on entry)
    int HeightTwips = 2400;  // set by list_size
    bool Unloaded = false;   // the window asked to close itself
};

}  // namespace vt
