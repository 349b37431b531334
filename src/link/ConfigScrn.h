// The port settings dialog (ConfigScrn) of the port PortSel names: COM port, line speed, flow
// control, the modem initialisation command as a most-recently-used list, and for the main
// port the automatic redial wait. UI-free; the Qt window shows ConfigScrnState.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "link/PortSettings.h"
#include "platform/Controls.h"
#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

struct ConfigScrnState {
    Control window;
    Control Frame1, Frame5, Frame6, FrameAT, Frame_retry;
    std::array<Control, 11> ComPort;  // 1..10 ("Com1".."Com10"); 0 unused
    std::array<Control, 8> baud;      // "1200" .. "115200"
    Control NoFlow, XonFlow, RTSFlow, BothFlow;
    Control RetryLabel, Label1;  // the redial wait and its unit
    Control shokiset, OKButton, CancelButton;
    Control DevicePath;              // the device the COM number stands for, and whether it reports modem lines
    std::vector<std::string> ATset;  // the combo's list
    std::string ATsetText;           // the combo's text
    PortSettings rec;
    bool Unloaded = false;
};

// Loading: captions, the settings file read and applied (moniport_set), the screen filled.
void Form_Load(Module1& m, MainformState& f, ConfigScrnState& st);
void caption_set(const Module1& m, ConfigScrnState& st);
void screen_set(const Module1& m, MainformState& f, ConfigScrnState& st);
void retry_enable(ConfigScrnState& st);
void ComPort_Click(Module1& m, MainformState& f, ConfigScrnState& st, int index);
// 1200 x 2^index for 0..5, then 57600 and 115200.
void baud_Click(ConfigScrnState& st, int index);
std::string baudText(int index);
// 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both.
void flow_Click(ConfigScrnState& st, int flowNo);
void ATset_Click(ConfigScrnState& st, int index);
void RetryLabel_Click(ConfigScrnState& st);
// The defaults button: the port's default settings written and shown. A file that cannot be
// written is said in a message box; the old file stays and what it holds is shown.
void shokiset_Click(Module1& m, MainformState& f, Services& s, ConfigScrnState& st);
// OK: the AT list as most-recently-used (the chosen or typed command first, upper case), the
// record applied and saved. A file that cannot be written is said in a message box.
void OKButton_Click(Module1& m, MainformState& f, Services& s, ConfigScrnState& st);
void CancelButton_Click(ConfigScrnState& st);

// The device path a COM number stands for, for the dialog to show.
std::string describeDevice(const CommPort& port);

}  // namespace vt
