// The two runs over the lap held in memory, from the main window's "Replay" buttons: the test
// run plays the lap's records through the live display ten a second, as if the logger sent
// them, and starts again at the lap's start; the analysis run shows the record under a cursor
// that the mouse or the arrow keys move over the graph. Both end with the stop button.
#pragma once

#include <cstdint>

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// The records of the current lap a run may show: RecCount, but never past the image (records
// 0..65000) nor past the graph's distance table (records 0..6000); 0 when RecPtr lies outside
// the image.
int32_t replay_records(const Module1& m);

// The test run: locks the menus, prepares the panel, and feeds the lap's records through
// frame_proc one per Timer1 tick until the stop button; then test_end.
void Test_run_Click(Module1& m, MainformState& f, Services& s);
// One record of the test run: record r of the lap into RawRec as a frame of its kind ("G", "L"
// for a lap marker, "S" for a segment marker) through frame_proc, then the record number and
// the elapsed time.
void test_run_record(Module1& m, MainformState& f, Services& s, int32_t r);

// The analysis run: locks the menus, prepares the panel and the graph, and shows the record
// under the cursor whenever the mouse or an arrow key moves it, until the stop button; then
// test_end.
void Analize_Click(Module1& m, MainformState& f, Services& s);
// Where the analysis cursor stands: the last pointer x taken and the record shown.
struct AnalysisCursor {
    int16_t c0 = 0;
    int32_t r = 0;
};
// One pass of the analysis run after events have run: when a key asked for a step or the
// pointer moved, the record it points at is shown. Returns true when a record was shown.
bool analysis_step(Module1& m, MainformState& f, AnalysisCursor& cursor);

// The stop button: both runs end at their next pass.
void Test_stop_Click(Module1& m, MainformState& f);
// Restores the window after either run; a redial that a lost carrier asked for meanwhile is
// armed now (hang up, a second's pause, RetryPending).
void test_end(Module1& m, MainformState& f, Services& s);

// The graph's events; they act only during the analysis run. Key codes 39 (right arrow) and 37
// (left arrow) step one record; x is in picture pixels.
void Picture2_KeyDown(MainformState& f, int keyCode);
void Picture2_MouseMove(MainformState& f, double x, double y);

}  // namespace vt
