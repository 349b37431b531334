// The main window's own state: its controls as plain models, its picture boxes, and the
// fields its procedures keep (graph tracing, course tables, gauge timers, link flags).
//
// The procedures of the main window are UI-free functions over Module1 and this struct; the
// Qt window only shows these models and passes its events on.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/Timer.h"
#include "state/DownloadState.h"
#include "state/Form2State.h"
#include "state/Module1.h"
#include "state/ParaDispState.h"
#include "state/RefLapState.h"

namespace vt {

// Picture sizes in pixels. Picture1: the course (the layout draws in a 252-pixel square
// around its centre at 126). Picture2: the graphs (frame 59..409, cursor range 0..452,
// distance labels down to y = 220). Picture3: the gauge panel, course list and histogram
// (lines out to x = 480, rows down to y = 256).
constexpr int kPicture1W = 252, kPicture1H = 252;
constexpr int kPicture2W = 460, kPicture2H = 222;
constexpr int kPicture3W = 500, kPicture3H = 262;

// The graph's plot frame on Picture2: one lap spans kGraphWidth pixels from x = kGraphLeft.
constexpr int kGraphLeft = 59, kGraphWidth = 350;
// The analysis cursor's pointer range over Picture2.
constexpr int kCursorMaxX = 452;
// Picture2's mouse pointer during the analysis run: the program's own (a cross-hair).
constexpr int16_t kCursorPointer = 99;
// Graph pixels per metre of a lap `courseLen` metres long (XScale).
inline float graphScale(int courseLen) { return static_cast<float>(kGraphWidth) / static_cast<float>(courseLen); }

constexpr int kMaxCoursePoint = 6000;  // course_x/course_y and DistTbl hold 0..6000
constexpr int kMaxDistMark = 220;      // dist_mark holds steps 0..220

// The modal windows the procedures open: the main window provides them, tests script them.
// An empty hook is a window the user closes at once without choosing (Cancel).
struct WindowHooks {
    std::function<void()> ConfigScrn;  // port settings of the port PortSel names
    std::function<void()> Form4;       // the dial list; leaves the number in TelNo
    std::function<void()> Form_NAME;   // a download's file name; leaves it in LogFileName
    std::function<void()> File_Form;   // the file chooser over LogFileName
    std::function<void()> Corse_para;  // the course editor's settings; its result in the editor's state
    std::function<void()> MAIN_PARA;   // the logger parameter editor, shown without blocking
};

// Observers of the link, for the command-line tool, the tests and the benchmarks; the window
// does not use them.
struct LinkWatch {
    std::function<void()> beforeFrame;    // a received frame passed the framing check and goes to frame_proc
    std::function<void()> afterFrame;     // frame_proc has handled it
    std::function<void()> resync;         // a bad frame starts the resynchronisation
    std::function<void()> watchdog;       // 51 ticks without a good frame
    std::function<void(int)> redialStep;  // the redial countdown shows this many seconds
    std::function<void(char)> relayed;    // a live frame of this kind went to the sub port
    std::function<void(const std::string&)> dialResult;  // the modem's answer to the dial
    std::function<void()> carrierLost;                   // "NO CARRIER": the line was hung up
};

struct MainformState {
    // ---- menus -------------------------------------------------------------------------
    Control MFile, MOpenLog, MCloseLog, form_print, MFileExit;
    Control MPort, mopen, para_tx, tx_start, tx_stop, Lap_comand, tx_clr, Corse_trans;
    Control Rate_S, Rate_M, Rate_L, One_Down, Fast_Down, MSettings1, tel_no_set;
    Control Sub_Port, Mopen_sub, MSettings2;
    Control list_disp, all_lap_list, lap_seg_list, seg_list, para_list;
    Control Corse_com, Corse_in, Free_In, Corse_edit;
    Control MAIN_PARA_SET;
    Control Ref_com, Ref_best, Ref_file, Ref_clear, Ref_paint, Ref_list;  // the lap comparison

    // ---- frames, buttons, options, check boxes -------------------------------------------
    Control Frame2, Frame3, Frame4;
    Control dial_up, dial_down, sub_up, sub_down;
    Control Analize, Test_run, Test_stop;
    Control grf_2, grf_3, grf_4, grf_5, grf_6, grf_7;
    Control grf_8;                   // the time difference against the reference lap
    std::array<Control, 3> Option1;  // "Open", "Real", "Logging"
    Control Check1, ANGL_CHK;        // unit and angle check boxes (Checked = value 1)
    Control CHK_AVR;                 // "ON"/"OFF": zero-offset correction of the course layout

    // ---- labels ------------------------------------------------------------------------
    Control Label1;  // status line
    Control Label6, tuusin_state, namae, hiniti;
    Control lap_no, lap_time, seg_d, SEG_TIME, data_cont, TAIME_MADO, PIT_IN_TIME, STOP_TIME;
    Control kaitensuu, sokudo, ondo1, ondo2, kasoku, kaku_kasoku, handle, accel, af, prs, kyori, IL_G;
    Control BusyPointer;  // Checked: the hourglass pointer is shown while the program works
    Control car;          // the car marker over the course picture (Left, Top in picture pixels)
    Control Label_Cur;    // the analysis cursor over the graph

    // ---- gauges ------------------------------------------------------------------------
    GaugeModel Gauge1, Gauge2, Gauge3, Gauge4, Gauge5, Gauge6, Gauge7, Gauge8, Gauge9, Gauge10, Gauge11;
    std::array<GaugeModel*, 11> gauges() {
        return {&Gauge1, &Gauge2, &Gauge3, &Gauge4, &Gauge5, &Gauge6, &Gauge7, &Gauge8, &Gauge9, &Gauge10, &Gauge11};
    }

    // ---- pictures ----------------------------------------------------------------------
    std::unique_ptr<Canvas> Picture1, Picture2, Picture3;
    PictureBoxModel Picture2Box;  // the graph's pointer and focus (the analysis cursor)

    // ---- decoding and graphs -----------------------------------------------------------
    std::array<int16_t, 201> AfTable{};  // air/fuel table, entries 0..180 filled at load
    int16_t AnalyzeOn = 0;
    float XScale = 0;  // graph pixels per metre: graphScale(CourseLen)
    float TraceX = 0;  // x of the current record inside the graph frame
    int16_t TraceLastX = 0;
    int16_t TraceY1 = 0, TraceY2 = 0, TraceY3 = 0, TraceY4 = 0;
    std::array<int16_t, kMaxCoursePoint + 1> DistTbl{};
    RefLapState RefLap;  // the reference lap the graphs, the course and the course list compare with

    // ---- course layout -------------------------------------------------------------------
    std::array<int16_t, kMaxCoursePoint + 1> course_x{}, course_y{};
    int16_t course_pts = 0;
    float speed_sum = 0;
    std::array<int16_t, kMaxDistMark + 1> dist_mark{};
    float dist_step = 0;
    int16_t dist_mark_last = 0;
    float course_scale = 0;
    std::string dist_str;
    std::array<std::string, 17> seg_str;

    // ---- course editor -------------------------------------------------------------------
    // One row per sample record of the lap being edited: distance pulses, lateral G (signed),
    // lean angle (signed), speed count. The two words are kept whole (0..65535), wider than
    // an Integer.
    std::array<std::array<int32_t, 4>, kMaxCoursePoint + 1> edit_dat{};
    int32_t EditCount = 0;

    // ---- value panel timers --------------------------------------------------------------
    int16_t PitOn = 0, StopOn = 0;
    int32_t PitCount = 0, StopCount = 0;

    // ---- windows and timers ----------------------------------------------------------------
    Form2State Form2;        // the wait window
    ParaDispState ParaDisp;  // the parameter display
    WindowHooks windows;
    LinkWatch watch;
    TimerModel Timer1{100};        // link watchdog while frames are expected, replay tick otherwise
    TimerModel RETRY_TIMER{5000};  // automatic redial, running from start

    // ---- link ----------------------------------------------------------------------------
    std::unique_ptr<CommPort> MSComm1, MSComm2;  // main and sub serial ports
    int16_t RxOn = 0;
    uint8_t ResyncOn = 0;
    float RxWatch = 0;
    int16_t LapPending = 0;
    std::array<uint8_t, 25> RelayFrame{};
    uint8_t LiveByteFlag = 0;  // the window's byte flag of the live stream, cleared at load
    int32_t LinkCounter = 0;   // the window's link counter, cleared at load
    std::string RxChunk;       // the bytes of the receive event in hand (kept, so reading allocates nothing)
    int16_t RemoteOn = 0;      // the remote station on the sub port wants the live stream
    DownloadState Down;        // the memory download in progress

    // ---- replay --------------------------------------------------------------------------
    uint8_t TickFlag = 0;
    int16_t StepReq = 0, CursorX = 0;

    // Every control, for the window that binds them and for bulk font changes.
    std::vector<Control*> controls();
};

// Channel 1 shows an angle (rather than a battery voltage): the ANGL box is ticked, or a
// replay, the analysis run or the text export shows a stored lap.
inline bool angleDisplay(const Module1& m, const MainformState& f) {
    return f.ANGL_CHK.Checked || m.ReplayOn != 0 || f.AnalyzeOn != 0;
}

// Makes one picture of the given size in picture pixels.
using PictureFactory = std::function<std::unique_ptr<Canvas>(int width, int height)>;

// Makes the state with its three pictures from `pictures` (the window and the tool draw into
// images; see imageCanvases in the widgets library) and in-memory ports.
std::unique_ptr<MainformState> makeMainformState(const PictureFactory& pictures);
// The same with recording canvases, for tests that check what was drawn.
std::unique_ptr<MainformState> makeRecordingMainformState();

}  // namespace vt
