// Time-series graphs on Picture2: speed and rpm (kind 3), lateral G with steering and
// throttle (4), temperatures with air/fuel and pressure (5), speed and in-line G (7), over
// the distance into the lap.
#pragma once

#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

void grf_3_Click(Module1& m, MainformState& f);
void grf_4_Click(Module1& m, MainformState& f);
void grf_5_Click(Module1& m, MainformState& f);
void grf_7_Click(Module1& m, MainformState& f);
// Redraws the graph of GraphKind (3, 4, 5, 7, or 8: the time difference); nothing for other kinds.
void grf_refresh(Module1& m, MainformState& f);
// Frame and title shared by every kind: sets GraphKind and starts a fresh curve.
Canvas& graph_start(Module1& m, MainformState& f, int16_t kind, const char* title);
// Grid of kinds 3, 4 and 7.
void grf_grid(Module1& m, MainformState& f);
// Distance axis below the frame.
void dist_scale(Module1& m, MainformState& f);
// Curves of the lap held in memory (RecPtr, RecCount); fills DistTbl.
void grf_replay(Module1& m, MainformState& f);
// Plots the current record (Chan, TraceX) into the graph last drawn.
void trace_plot(Module1& m, MainformState& f);
// The same with the reference lap's pens (the palette colours lightened).
void ref_trace_plot(Module1& m, MainformState& f);
// The reference lap's pen for a curve of colour c: the same colour, lighter.
Color referencePen(Color c);
// Marks a segment boundary at TraceX with the number SegNo.
void seg_mark(Module1& m, MainformState& f);

}  // namespace vt
