// The lap comparison on the graph picture: the reference lap's curves over the current lap's in
// graphs 3, 4, 5 and 7, and the fifth graph (kind 8), the running time difference over the lap.
#pragma once

#include "compare/LapCompare.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// The time-difference graph: current minus reference in seconds against the distance into the
// current lap, a zero line, the segment marks and the final difference at the right end
// (positive: time lost). Without a reference lap it says so in the frame.
void grf_8_Click(Module1& m, MainformState& f);

// The reference lap's curves of the graph kind on screen, in lighter pens, each record at the
// place of the current lap it matches. The graph's own state (channels, trace, settings) is as
// it was afterwards. Nothing without a reference or a lap.
void ref_overlay(Module1& m, MainformState& f);

// "REF <name> LAP <n>" at the graph's top left.
void ref_caption(const Module1& m, MainformState& f);

// The y of a difference on the graph: the frame's middle is 0, `range` seconds at its edges.
float diffY(float seconds, float range);
// The smallest range of the graph's scale (0.2, 0.5, 1, 2, 5 ... s) that holds `largest`.
float diffRange(float largest);

}  // namespace vt
